// The training menu's help texts, Information/eng|jpn/Training.ini: one text per element id of
// the main menu (no prefix) and of the four setting menus ("PS_", "ES_", "TD_", "DS_"), and one
// per choice under the id, "_" and the choice value.
#include <string>
#include <vector>

#include "help_texts.h"
#include "mkdata.h"

namespace {

struct Choice {
  int value;
  const char* english;
  const char* japanese;
};

struct Item {
  const char* prefix;
  const char* id;
  const char* english;
  const char* japanese;
  std::vector<Choice> choices;
};

const std::vector<Choice>& Recoveries() {
  static const std::vector<Choice> c = {
      {0, "Recovers in place.", "その場で受け身を取ります。"},
      {1, "Recovers backwards.", "後ろに受け身を取ります。"},
      {2, "Recovers forwards.", "前に受け身を取ります。"},
      {3, "Recovers in a random direction.", "ランダムな方向に受け身を取ります。"},
      {4, "Recovers at random, or not at all.", "ランダムに受け身を取るか、取りません。"},
      {5, "Never recovers.", "受け身を取りません。"},
  };
  return c;
}

const std::vector<Choice>& Percentages() {
  static const std::vector<Choice> c = {
      {0, "Held at 100%.", "100%に保ちます。"}, {1, "Held at 75%.", "75%に保ちます。"},
      {2, "Held at 50%.", "50%に保ちます。"},   {3, "Held at 25%.", "25%に保ちます。"},
      {4, "Held at 0%.", "0%に保ちます。"},
  };
  return c;
}

const std::vector<Choice>& NoChoices() {
  static const std::vector<Choice> none;
  return none;
}

std::vector<Item> Items() {
  std::vector<Item> items = {
      // The main menu.
      {"", "PLAYER_SETTING", "Settings of the battle.", "バトルの設定をします。", {}},
      {"",
       "ENEMY_STATUS",
       "How the enemy is controlled.",
       "敵の操作方法を設定します。",
       {{0, "The enemy stands.", "敵は立っています。"},
        {1, "The enemy jumps.", "敵はジャンプし続けます。"},
        {2, "The enemy crouches.", "敵はしゃがんでいます。"},
        {3, "The CPU plays the enemy.", "CPUが敵を操作します。"},
        {4, "The second controller plays the enemy.", "2つ目のコントローラーで敵を操作します。"},
        {5, "The enemy plays back its recording.", "敵は記録した動きを再生します。"}}},
      {"", "ENEMY_SETTING", "Settings of the enemy.", "敵の設定をします。", {}},
      {"", "DUMMY_SETTING", "How the dummy recording plays back.", "ダミーの再生を設定します。", {}},
      {"",
       "DUMMY_RECORDING_SLOT",
       "The slot to record into. Decide to clear it.",
       "記録するスロットです。決定で消去します。",
       {}},
      {"",
       "DUMMY_RECORDING",
       "Record the enemy's moves into the slot.",
       "敵の動きをスロットに記録します。",
       {}},
      {"", "TRAINING_DISPLAY", "What the screen shows.", "画面表示の設定をします。", {}},
      {"", "COMMAND_LIST", "See the moves of both characters.", "技表を見ます。", {}},
      {"", "KEYBOARD_SETTING", "Change the keyboard keys.", "キーボードの設定をします。", {}},
      {"", "CONTROLLER_SETTING", "Change the controller buttons.", "コントローラーの設定をします。", {}},
      {"",
       "VIEW_SCREEN",
       "Look at the paused screen. Any button returns.",
       "画面を見ます。ボタンで戻ります。",
       {}},
      {"", "CHARACTER_SELECT", "Back to character select.", "キャラクター選択に戻ります。", {}},
      {"", "EXIT", "Back to the main menu.", "メインメニューに戻ります。", {}},
      {"", "EXIT_RANK", "Back to the network menu.", "ネットワークメニューに戻ります。", {}},
      {"", "EXIT_PLAYER", "Back to the room.", "ルームに戻ります。", {}},
      {"", "RESTART", "Start the training battle again.", "トレーニングを最初からやり直します。", {}},
      {"", "CONTINUE", "Back to training.", "トレーニングに戻ります。", {}},
      // BATTLE SETTING.
      {"PS_",
       "LIFE",
       "How life comes back.",
       "体力の回復を設定します。",
       {{0, "Life comes back to 100%.", "体力が100%まで回復します。"},
        {1, "Life comes back to 75%.", "体力が75%まで回復します。"},
        {2, "Life comes back to 50%.", "体力が50%まで回復します。"},
        {3, "Life comes back to 25%.", "体力が25%まで回復します。"},
        {4, "Life does not come back.", "体力は回復しません。"}}},
      {"PS_",
       "MAGIC_CIRCUIT",
       "How the magic circuit fills.",
       "マジックサーキットの設定をします。",
       {{0, "Fills as in a match.", "通常通り溜まります。"},
        {1, "Refills to the maximum.", "最大まで回復します。"},
        {2, "Refills to the maximum at once.", "すぐに最大まで回復します。"},
        {3, "Never runs out.", "無制限に使えます。"}}},
      {"PS_", "GUARD_GAUGE", "How full the guard gauge is held.", "ガードゲージの量を設定します。",
       Percentages()},
      {"PS_", "GUARD_QUALITY", "How good guarding is.", "ガードの質を設定します。", Percentages()},
      {"PS_",
       "COUNTER_HIT",
       "Which hits are counter hits.",
       "カウンターヒットを設定します。",
       {{0, "As in a match.", "通常通りです。"},
        {1, "The first hit counters.", "最初のヒットがカウンターになります。"},
        {2, "Low counters.", "ローカウンターになります。"},
        {3, "High counters.", "ハイカウンターになります。"},
        {4, "Counters at random.", "ランダムでカウンターになります。"},
        {5, "Low counters at random.", "ランダムでローカウンターになります。"},
        {6, "High counters at random.", "ランダムでハイカウンターになります。"}}},
      {"PS_",
       "CRITICAL_HIT",
       "Whether critical hits happen.",
       "クリティカルヒットを設定します。",
       {{0, "As in a match.", "通常通りです。"}, {1, "No critical hits.", "クリティカルヒットしません。"}}},
      {"PS_", "DEFAULT", "Put every battle setting back to its default.", "バトル設定を初期状態に戻します。",
       NoChoices()},
      {"PS_", "RETURN", "Back to the training menu.", "トレーニングメニューに戻ります。", NoChoices()},
      // ENEMY SETTING.
      {"ES_",
       "ENEMY_ACTION",
       "What the CPU enemy does.",
       "CPUの敵の行動を設定します。",
       {{0, "No action.", "行動しません。"},
        {1, "Action A.", "行動Aを取ります。"},
        {2, "Action B.", "行動Bを取ります。"},
        {3, "Action C.", "行動Cを取ります。"},
        {4, "Action D.", "行動Dを取ります。"},
        {5, "Action A after recovering.", "復帰後に行動Aを取ります。"},
        {6, "Action B after recovering.", "復帰後に行動Bを取ります。"},
        {7, "Action C after recovering.", "復帰後に行動Cを取ります。"},
        {8, "Action D after recovering.", "復帰後に行動Dを取ります。"}}},
      {"ES_",
       "ENEMY_DEFENCE",
       "How the enemy defends.",
       "敵の防御を設定します。",
       {{0, "No defence.", "防御しません。"},
        {1, "Guards everything.", "すべてガードします。"},
        {2, "Guards as it stands.", "状態に応じてガードします。"},
        {3, "Shields everything.", "すべてシールドします。"},
        {4, "Shields as it stands.", "状態に応じてシールドします。"},
        {5, "Dodges.", "回避します。"}}},
      {"ES_",
       "ENEMY_DEFENCETYPE",
       "When the enemy defends.",
       "敵の防御の仕方を設定します。",
       {{0, "From the first hit.", "最初から防御します。"},
        {1, "After a combo.", "コンボの後に防御します。"},
        {2, "At random.", "ランダムに防御します。"}}},
      {"ES_", "AIR_RECOVERY", "How the enemy recovers in the air.", "敵の空中受け身を設定します。",
       Recoveries()},
      {"ES_", "DOWN_RECOVERY", "How the enemy recovers on the ground.", "敵のダウン受け身を設定します。",
       Recoveries()},
      {"ES_",
       "THROW_RECOVERY",
       "How the enemy escapes throws.",
       "敵の投げ抜けを設定します。",
       {{0, "As in a match.", "通常通りです。"},
        {1, "Always early.", "常に早く抜けます。"},
        {2, "Always late.", "常に遅く抜けます。"},
        {3, "Always, at a random frame.", "常にランダムなタイミングで抜けます。"},
        {4, "Sometimes, early.", "ランダムに早く抜けます。"},
        {5, "Sometimes, late.", "ランダムに遅く抜けます。"},
        {6, "Sometimes, at a random frame.", "ランダムなタイミングでランダムに抜けます。"}}},
      {"ES_",
       "REDUCE_DAMAGE",
       "Whether the enemy reduces damage.",
       "敵のダメージ軽減を設定します。",
       {{0, "As in a match.", "通常通りです。"},
        {1, "Always.", "常に軽減します。"},
        {2, "At random.", "ランダムに軽減します。"}}},
      {"ES_", "DEFAULT", "Put every enemy setting back to its default.", "敵の設定を初期状態に戻します。",
       NoChoices()},
      {"ES_", "RETURN", "Back to the training menu.", "トレーニングメニューに戻ります。", NoChoices()},
      // TRAINING DISPLAY.
      {"TD_",
       "ATTACK_DISPLAY",
       "Show the damage of each attack.",
       "攻撃のダメージを表示します。",
       {{0, "Not shown.", "表示しません。"}, {1, "Shown.", "表示します。"}}},
      {"TD_",
       "INPUT_DISPLAY",
       "Show the input history.",
       "入力履歴を表示します。",
       {{0, "Not shown.", "表示しません。"}, {1, "Shown.", "表示します。"}}},
      {"TD_", "DEFAULT", "Put every display setting back to its default.", "表示設定を初期状態に戻します。",
       NoChoices()},
      {"TD_", "RETURN", "Back to the training menu.", "トレーニングメニューに戻ります。", NoChoices()},
      // DUMMY SETTING.
      {"DS_",
       "REPLAY_TIME_DISPLAY",
       "Show the time of the dummy's playback.",
       "ダミー再生の時間を表示します。",
       {{0, "Shown.", "表示します。"}, {1, "Not shown.", "表示しません。"}}},
      {"DS_",
       "REPLAY_TYPE",
       "How the dummy plays its recording back.",
       "ダミーの再生方法を設定します。",
       {{0, "Plays the recording over and over.", "記録を繰り返し再生します。"},
        {1, "Plays the recording each time the enemy can move again.",
         "敵が動けるようになるたびに記録を再生します。"},
        {2, "Plays the recording once, then waits for FN2.", "記録を一度再生し、FN2を待ちます。"}}},
      {"DS_",
       "REPLAY_SLOT",
       "Which slot plays back.",
       "再生するスロットを設定します。",
       {{0, "The slot chosen in the training menu.", "トレーニングメニューで選んだスロットです。"},
        {1, "A recorded slot at random.", "記録のあるスロットからランダムに選びます。"}}},
      {"DS_", "DEFAULT", "Put every dummy setting back to its default.", "ダミー設定を初期状態に戻します。",
       NoChoices()},
      {"DS_", "RETURN", "Back to the training menu.", "トレーニングメニューに戻ります。", NoChoices()},
  };
  // The ten slot choices.
  for (Item& slots : items) {
    if (std::string(slots.id) != "DUMMY_RECORDING_SLOT") continue;
    for (int i = 0; i < 10; ++i)
      slots.choices.push_back({i, "Records into this slot; a recorded slot can be cleared.",
                               "このスロットに記録します。記録があれば消去できます。"});
  }
  return items;
}

bool WriteTrainingMenuTexts(const std::filesystem::path& root) {
  std::vector<mkdata::HelpText> texts;
  for (const Item& item : Items()) {
    const std::string key = std::string(item.prefix) + item.id;
    texts.push_back({key, item.english, item.japanese});
    for (const Choice& c : item.choices)
      texts.push_back({key + "_" + std::to_string(c.value), c.english, c.japanese});
  }
  return mkdata::WriteHelpFile(root, "Training.ini", texts);
}

MKDATA_STEP("41_training_menu", WriteTrainingMenuTexts);

}  // namespace
