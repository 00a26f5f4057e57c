#include "menu/dummy_recordings.h"

int32_t g_RecoverPlayState;

std::string MakeDummyFileName() { return {}; }
void LoadDummyRecordingFile() {}
void StopDummyAndSave() {}
int UpdateDummyPlaybackLoop() { return 0; }
void UpdateRecoverPlayback() {}
