// The training dummy's recordings: ten slots kept in one dummy file per dummy character and
// style, loaded at a training battle's start and saved when the training menu opens.
#pragma once

#include <cstdint>
#include <string>

// The RECOVER playback type's step.
extern int32_t g_RecoverPlayState;

std::string MakeDummyFileName();
void LoadDummyRecordingFile();
void StopDummyAndSave();
int UpdateDummyPlaybackLoop();
void UpdateRecoverPlayback();
