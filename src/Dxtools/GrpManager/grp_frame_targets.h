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

void BindSceneRenderTargets();
void RestoreBackBufferTargets();
// Runs only while g_CaptureScreenRequest (app/app_state.h) is set, and clears it.
void CaptureScreenTexture();

// Destination of the scene in the back buffer: the 4:3 picture fitted by the display aspect pair
// stored in the device manager.
void GetSceneLetterbox(int* x, int* y, int* w, int* h);
// Queues scene target 0's 640 x 480 scene into that rectangle on the main list at priority 0.
int QueueSceneComposition();
