// The test menu (scene 50): a development menu that runs single screens and effects of the game
// on their own (staff roll, next-stage map, VS screen, winner call, fades, shader effects and
// particles), and the particle classes its particle screens use. Reached only by storing its
// scene id; "Exit" goes back to the title.
#pragma once

#include <cstdint>
#include <vector>

struct TextureHandle;

// One row of the test table; the table ends with a row of id 0. The menu draws row i at the
// running sum of the steps of rows 0..i.
struct TestMenuRow {
  int32_t xStep;
  int32_t yStep;
  int32_t id;
  const char* name;
  void (*test)();
};
inline constexpr int32_t kTestMenuExitId = static_cast<int32_t>(0xF0000000u);
inline constexpr int kTestMenuRowCount = 12;  // rows before the end row
extern const TestMenuRow g_TestMenuRows[kTestMenuRowCount + 1];

struct TestMenuState {
  int32_t runningId = 0;  // 0: the menu
  int32_t cursor = 0;
  int32_t restart = 0;     // 1: the running test sets itself up on its next frame
  int32_t normalMode = 0;  // "NORMAL TEST"'s mode, 0..4
};
TestMenuState& GetTestMenuState();

// The scene-50 handler: -1 when "Exit" is decided, else the running test id.
int ProcTestScene();
// Runs the row of the running id; an id no row has goes back to the menu.
void RunTest();
// Draws and steps the menu; the id of the row decided this frame, else 0.
int TestMenu();
// Scene 50's leave hook: the running test ends and frees what it loaded.
void LeaveTestMenuScene();
void InstallTestMenuScene();

// ---- particles ----

// Base particle: origin, offset, velocity and acceleration (x, y, z), life and age in seconds,
// a time scale and its textures.
class CParticlePrim {
 public:
  virtual ~CParticlePrim() = default;
  virtual void Draw() {}
  // Moves by dt x time scale; 1 while the particle lives.
  virtual int Update(float dt);

  float origin[2] = {};
  float offset[3] = {};
  float velocity[3] = {};
  float acceleration[3] = {};
  float life = 0.0f;
  float age = 0.0f;
  float timeScale = 1.0f;
  std::vector<TextureHandle*> textures;
};

// A smoke puff: a cell of an 8 x 4 sheet of 64 x 64 cells chosen by its age, growing from 64 to
// 128 pixels and fading out.
class CParticle_Normal : public CParticlePrim {
 public:
  void Draw() override;
  int Update(float dt) override;
  // The sheet cell (0..31) for the particle's present age.
  int Cell() const;
  uint32_t colour = 0xFFFFFFFF;  // grey (the alpha comes from the age)
};

// A textured ring turning in space, fading in and out over its life.
class CParticle_RingTex : public CParticlePrim {
 public:
  void Draw() override;
  int Update(float dt) override;
  float spin = 0.0f;    // degrees added to the z angle each step
  float angle[3] = {};  // degrees about x, y and z
  float scale = 0.5f;
  int alpha = 0;
};

// A smoke puff at the pointer (x, y) with random offset, speed, direction, life and grey; its
// life may come out 0, and such a puff is dead at its first update.
CParticle_Normal* MakeSmokePuff(float x, float y, TextureHandle* sheet);
CParticle_RingTex* MakeRing(float x, float y, TextureHandle* ring);
