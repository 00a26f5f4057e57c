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

// Destination of the scene in a W x H back buffer: wider than 4:3, three quarters of the width,
// centred, full height; otherwise the whole back buffer.
void GetSceneLetterbox(int* x, int* y, int* w, int* h);
// Queues a black back buffer (priority 0) and scene target 0's 640 x 480 scene into that
// rectangle (priority 1, opaque, linear) on the main list. The scenes' own presentation adds
// its side panels around it.
int QueueSceneComposition();
