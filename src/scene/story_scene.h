// The story scene (scene 9) and the ending loader (scene 4): the three story start operations,
// the per-frame input, the routing by story kind, the challenger over a story, and the story
// calls the battle's round flow, the select and the arcade route make.
#pragma once

#include "scene/story_script.h"

class CSceneStory;

// Builds the script path of the main side's character and starts the script in scene 9; false
// when the file is missing (the stage start then goes to the VS screen, the ending start to the
// winner demo, the opening start to the next-stage map).
bool StartStageStoryScript();
bool StartEndingStoryScript();
bool StartOpeningStoryScript();

StoryInput ReadStoryInput();
// 1 when the result ended the story and the scene went on.
int RouteStoryResult(int result);
void FinishStoryScene();
void UpdateStoryChallenger(int routed, int sceneChanged, const StoryInput& input);

int StoryScene(int keepRunning);
int StoryEndingLoader(int keepRunning);

// The route record word marking the opening story as shown.
inline constexpr int kRouteOpeningShown = 3;

// Registers scenes 9 and 4 and fills the battle seams, select and route hooks the story answers.
void InstallStoryScene();
