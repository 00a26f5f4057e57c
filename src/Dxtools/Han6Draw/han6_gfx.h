// The sprite drawing's connection to the graphics layer: textures through the device's texture
// calls, quads into draw lists with the blend, filter and effect-tag globals, and the cache
// flush on device recovery.
#pragma once

class Han6TextureBackend;
class Han6DrawSink;

// The graphics layer's texture backend and draw sink: the ones in force unless a test installs
// its own.
Han6TextureBackend* GfxHan6TextureBackend();
Han6DrawSink* GfxHan6DrawSink();

// Registers the cache flush with the device recovery (start-up, once the device exists).
void InitHan6Drawing();
// Flushes the cache and unregisters the flush (shutdown, before the device goes).
void ShutdownHan6Drawing();
