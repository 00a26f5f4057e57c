// The frame render targets (scene targets 0..2 and the capture target), their binding around the
// scene's drawing, the screen capture, and the final composition of the 640 x 480 scene letterboxed
// into the back buffer.
#pragma once

#include <cstdint>

struct TextureHandle;

extern TextureHandle* g_SceneTargets[3];
extern TextureHandle* g_CaptureTarget;

// Creates the four targets (1280 x 720, render-target usage, back-buffer format). 1 when scene
// target 0 exists; the others may be missing.
int CreateFrameRenderTargets();
void FreeFrameRenderTargets();

// Binds scene targets 0..2 (the back buffer for a missing target 0) without clearing them.
void SetSceneRenderTargets();
// Binds them and clears colour and depth (0xFF000000).
void BindSceneRenderTargets();
void RestoreBackBufferTargets();
// Runs only while g_CaptureScreenRequest (app/app_state.h) is set, and clears it.
void CaptureScreenTexture();

// Destination of the scene in a W x H back buffer: the largest centred 4:3 rectangle (width
// min(W, round(H x 4/3)), height min(H, round(W x 3/4))); all zero for a zero-sized buffer.
void GetSceneLetterboxFor(int backWidth, int backHeight, int* x, int* y, int* w, int* h);
// The same for the device's back buffer (640 x 480 without a device).
void GetSceneLetterbox(int* x, int* y, int* w, int* h);
// Queues a black back buffer (priority 0) and the 640 x 480 scene of the given texture into that
// rectangle (priority 1, opaque, with the given filter) on the main list; nothing for a zero-sized
// back buffer. The scene process adds its side panels around it.
int QueueSceneComposition(TextureHandle* scene, int filter);
// Scene target 0, filtered linearly.
int QueueSceneComposition();
