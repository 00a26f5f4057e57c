// The options screen's sample data: its background `.\grp\option\opt_BG` and the help texts
// `OptionInfo.ini` in both language folders, one text per item id and per item id + "_" + value
// of every choice.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "canvas.h"
#include "help_texts.h"
#include "mkdata.h"

namespace {

using mkdata::Canvas;
using mkdata::HelpText;

// A dark teal backdrop with a lit band behind the list. The portrait is drawn under the picture,
// so the corner where it stands is left see-through, fading out towards the rest.
bool WriteOptionBackground(const std::filesystem::path& root) {
  Canvas c(640, 480);
  c.VerticalGradient(0, 479, mkdata::Rgb8(14, 40, 48), mkdata::Rgb8(4, 10, 14));
  c.Rect(80.0f, 40.0f, 480.0f, 380.0f, {0.0f, 0.0f, 0.0f, 0.30f}, 16.0f);
  for (int i = 0; i < 5; ++i) {
    const float y = 60.0f + 80.0f * static_cast<float>(i);
    c.Line(0.0f, y, 640.0f, y + 40.0f, 2.0f, {0.3f, 0.9f, 0.8f, 0.08f});
  }
  c.Glow(560.0f, 380.0f, 150.0f, {0.3f, 0.8f, 0.9f, 0.30f});
  c.Rect(0.0f, 48.0f, 640.0f, 2.0f, {0.3f, 0.9f, 0.8f, 0.7f});
  c.Noise(0.02f, 86);
  for (int y = 80; y < 480; ++y)
    for (int x = 400; x < 640; ++x) {
      const float dx = (static_cast<float>(x) - 560.0f) / 170.0f,
                  dy = (static_cast<float>(y) - 320.0f) / 240.0f;
      const float d = std::sqrt(dx * dx + dy * dy);
      c.At(x, y).a *= std::clamp((d - 0.6f) / 0.4f, 0.0f, 1.0f);
    }
  return c.Save(root, "grp/option/opt_BG.png");
}

struct ChoiceText {
  int value;
  std::string english;
  std::string japanese;
};

struct ItemText {
  const char* id;
  const char* english;
  const char* japanese;
  std::vector<ChoiceText> choices;
};

std::vector<ChoiceText> Volumes(const std::string& what, const std::string& whatJp) {
  std::vector<ChoiceText> out;
  out.push_back({21, what + " off.", whatJp + "を消します。"});
  for (int value = 19; value >= 0; --value) {
    const std::string step = std::to_string(20 - value);
    out.push_back({value, what + " at step " + step + " of 20.", whatJp + "の音量 " + step + " / 20"});
  }
  return out;
}

std::vector<ItemText> Items() {
  std::vector<ItemText> items = {
      {"Difficulty",
       "Strength of the CPU in the arcade mode.",
       "アーケードモードのCPUの強さです。",
       {{0, "Easiest.", "とてもやさしい。"},
        {1, "Easy.", "やさしい。"},
        {2, "Normal.", "ふつう。"},
        {3, "Hard.", "むずかしい。"},
        {4, "Hardest.", "とてもむずかしい。"}}},
      {"DamageLevel",
       "How much damage a hit deals.",
       "攻撃のダメージ量です。",
       {{0, "Lowest damage.", "最も低い。"},
        {1, "Low damage.", "低い。"},
        {2, "Normal damage.", "ふつう。"},
        {3, "High damage.", "高い。"},
        {4, "Highest damage.", "最も高い。"}}},
      {"WinCount",
       "Rounds to win a match in the arcade mode.",
       "アーケードモードの勝利ラウンド数です。",
       {{1, "One round.", "1ラウンド。"},
        {2, "Two rounds.", "2ラウンド。"},
        {3, "Three rounds.", "3ラウンド。"}}},
      {"WinCount(VS)",
       "Rounds to win a versus match.",
       "対戦の勝利ラウンド数です。",
       {{1, "One round.", "1ラウンド。"},
        {2, "Two rounds.", "2ラウンド。"},
        {3, "Three rounds.", "3ラウンド。"}}},
      {"TimeSpeed",
       "Speed of the round timer.",
       "ラウンドタイマーの速さです。",
       {{0, "The timer does not run.", "時間切れなし。"},
        {1, "Slow timer.", "遅い。"},
        {2, "Normal timer.", "ふつう。"},
        {3, "Fast timer.", "速い。"},
        {4, "Fastest timer.", "とても速い。"}}},
      {"BgmVolume", "Volume of the music.", "BGMの音量です。", Volumes("Music", "BGM")},
      {"SeVolume", "Volume of the sound effects.", "効果音の音量です。", Volumes("Sound effects", "効果音")},
      {"StageAnimation",
       "Animation of the stage backgrounds.",
       "背景のアニメーションです。",
       {{1, "Still backgrounds.", "背景を動かしません。"},
        {0, "Animated backgrounds.", "背景を動かします。"}}},
      {"CharaFilter",
       "How the characters are drawn.",
       "キャラクターの描画方法です。",
       {{0, "No filter.", "フィルターなし。"},
        {1, "Smoothed edges.", "輪郭をなめらかにします。"},
        {2, "Full filter.", "全体をなめらかにします。"},
        {3, "Linear filtering.", "線形補間で描きます。"}}},
      {"ReplaySave",
       "How versus replays are saved.",
       "対戦リプレイの保存方法です。",
       {{0, "Save from the result menu.", "リザルトメニューで保存します。"},
        {1, "Save every match.", "毎試合自動で保存します。"}}},
      {"ViewFPS",
       "Show the frame rate.",
       "フレームレートを表示します。",
       {{0, "Hidden.", "表示しません。"}, {1, "Shown in the corner.", "画面の隅に表示します。"}}},
      {"FrameSkip",
       "Drawing rate of the screen.",
       "画面の描画頻度です。",
       {{1, "Draw every second frame.", "2フレームに1回描画します。"},
        {0, "Draw every frame.", "毎フレーム描画します。"}}},
      {"SCREEN_FILTER",
       "Smooth the whole picture.",
       "画面全体をなめらかにします。",
       {{0, "Off.", "使いません。"}, {1, "On.", "使います。"}}},
      {"SELECT_LANGUAGE",
       "Language of the texts.",
       "テキストの言語です。",
       {{0, "Japanese texts.", "日本語で表示します。"}, {1, "English texts.", "英語で表示します。"}}},
      {"KEYBOARD_SETTING", "Set the keyboard keys.", "キーボードの設定をします。", {}},
      {"CONTROLLER_SETTING", "Set the controller buttons.", "コントローラーの設定をします。", {}},
      {"Resolution", "Size of the screen.", "画面の解像度です。", {}},
      {"ScreenMode",
       "Full screen or a window.",
       "フルスクリーンかウィンドウかを選びます。",
       {{0, "Full screen.", "フルスクリーン。"}, {1, "In a window.", "ウィンドウ。"}}},
      {"ChangeScreen", "Apply the resolution and screen mode.", "解像度と画面モードを適用します。", {}},
      {"Default", "Put every option back to its default.", "すべての設定を初期状態に戻します。", {}},
      {"Exit", "Save and leave the options.", "設定を保存して終了します。", {}},
  };
  // The resolution's values are places in the display-mode list.
  for (ItemText& item : items) {
    if (std::string(item.id) != "Resolution") continue;
    for (int i = 0; i < 32; ++i)
      item.choices.push_back(
          {i, "Screen size " + std::to_string(i + 1) + " of the list.", "解像度 " + std::to_string(i + 1)});
  }
  return items;
}

bool WriteOptionTexts(const std::filesystem::path& root) {
  std::vector<HelpText> entries;
  for (const ItemText& item : Items()) {
    entries.push_back({item.id, item.english, item.japanese});
    for (const ChoiceText& c : item.choices)
      entries.push_back({std::string(item.id) + "_" + std::to_string(c.value), c.english, c.japanese});
  }
  return mkdata::WriteHelpFile(root, "OptionInfo.ini", entries);
}

bool WriteOptions(const std::filesystem::path& root) {
  return WriteOptionBackground(root) && WriteOptionTexts(root);
}

}  // namespace

MKDATA_STEP("41_options", WriteOptions);
