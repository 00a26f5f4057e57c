// The help texts under .\Information\: one file per screen and language (eng, jpn) and the net
// VS result file without a language folder. Sections [Font] and [Information], CR LF, Shift-JIS.
// A text never holds "//": the ini reader takes it for a comment.
#include <iconv.h>

#include <cstdio>
#include <string>
#include <vector>

#include "help_text_writer.h"
#include "ini_writer.h"
#include "mkdata.h"

namespace {

struct HelpText {
  const char* key;
  const char* english;
  const char* japanese;  // UTF-8 here, written as Shift-JIS
};

struct HelpFile {
  const char* name;
  std::vector<HelpText> texts;
};

std::string ToShiftJis(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(utf8.size() * 2 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  const size_t r = iconv(cd, &in, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return {};
  out.resize(out.size() - outLeft);
  return out;
}

const std::vector<HelpFile>& Files() {
  static const std::vector<HelpFile> files = {
      {"KeySettingInfo.ini",
       {
           {"PAD_A", "Choose the controller button for A (weak attack).",
            "Aボタン（弱攻撃）に使うボタンを選びます。"},
           {"PAD_B", "Choose the controller button for B (medium attack).",
            "Bボタン（中攻撃）に使うボタンを選びます。"},
           {"PAD_C", "Choose the controller button for C (strong attack).",
            "Cボタン（強攻撃）に使うボタンを選びます。"},
           {"PAD_D", "Choose the controller button for D (shield).",
            "Dボタン（シールド）に使うボタンを選びます。"},
           {"PAD_QA", "Choose the controller button for QA (quick action).",
            "QAボタンに使うボタンを選びます。"},
           {"PAD_FN1", "Choose the controller button for FN1.", "FN1に使うボタンを選びます。"},
           {"PAD_FN2", "Choose the controller button for FN2.", "FN2に使うボタンを選びます。"},
           {"PAD_AB", "Choose the controller button for A+B.", "A+Bに使うボタンを選びます。"},
           {"KEYBOARD_UP", "Choose the key for up.", "上に使うキーを選びます。"},
           {"KEYBOARD_DOWN", "Choose the key for down.", "下に使うキーを選びます。"},
           {"KEYBOARD_LEFT", "Choose the key for left.", "左に使うキーを選びます。"},
           {"KEYBOARD_RIGHT", "Choose the key for right.", "右に使うキーを選びます。"},
           {"KEYBOARD_A", "Choose the key for A (weak attack).", "A（弱攻撃）に使うキーを選びます。"},
           {"KEYBOARD_B", "Choose the key for B (medium attack).", "B（中攻撃）に使うキーを選びます。"},
           {"KEYBOARD_C", "Choose the key for C (strong attack).", "C（強攻撃）に使うキーを選びます。"},
           {"KEYBOARD_D", "Choose the key for D (shield).", "D（シールド）に使うキーを選びます。"},
           {"KEYBOARD_QA", "Choose the key for QA (quick action).", "QAに使うキーを選びます。"},
           {"DEFAULT", "Put every assignment back to its default.", "すべての設定を初期状態に戻します。"},
           {"EXIT", "Leave the setting screen.", "設定画面を終了します。"},
       }},
      {"GameMenuInfo.ini",
       {
           {"ARCADE_MODE", "Fight a route of CPU opponents.", "CPUと連戦するモードです。"},
           {"VERSUS", "Fight another player or the CPU.", "対戦モードです。"},
           {"TRAINING_MODE", "Practise moves and combos.", "技やコンボを練習します。"},
           {"OPTION_MODE", "Change the settings.", "各種設定を変更します。"},
           {"RANKING_VIEW", "See the high scores.", "ランキングを見ます。"},
           {"NETWORK_MODE", "Play online.", "オンラインで対戦します。"},
           {"RETURN_TITLE", "Back to the title screen.", "タイトル画面に戻ります。"},
           {"EXIT_GAME", "Quit the game.", "ゲームを終了します。"},
           {"VS_PLAYER", "Fight another player.", "プレイヤー同士で対戦します。"},
           {"VS_CPU", "Fight the CPU.", "CPUと対戦します。"},
           {"VS_CvC", "Watch the CPU fight the CPU.", "CPU同士の対戦を観戦します。"},
           {"VS_REPLAY", "Watch saved replays.", "保存したリプレイを見ます。"},
           {"VS_RETURN", "Back to the previous menu.", "前のメニューに戻ります。"},
       }},
      {"OptionInfo.ini",
       {
           {"DIFFICULTY", "Strength of the CPU opponents.", "CPUの強さを設定します。"},
           {"KEYBOARD_SETTING", "Assign the keyboard keys.", "キーボードの設定をします。"},
           {"CONTROLLER_SETTING", "Assign the controller buttons.", "コントローラーの設定をします。"},
           {"RESOLUTION", "Screen size.", "画面サイズを設定します。"},
           {"DEFAULT", "Put every option back to its default.", "すべての設定を初期状態に戻します。"},
           {"EXIT", "Leave the options.", "オプションを終了します。"},
       }},
      {"VSResultInfo.ini",
       {
           {"ONCE_AGAIN", "Play the same match again.", "同じ組み合わせでもう一度対戦します。"},
           {"CHARACTER_SELECT", "Back to character select.", "キャラクター選択に戻ります。"},
           {"SAVE_REPLAY", "Save the replay of this match.", "この対戦のリプレイを保存します。"},
           {"REPLAY_FILE_SELECT", "Pick another replay file.", "別のリプレイファイルを選びます。"},
           {"RETURN_TITLE", "Back to the main menu.", "メインメニューに戻ります。"},
       }},
      {"PauseInfo.ini",
       {
           {"CONTINUE", "Back to the battle.", "バトルに戻ります。"},
           {"COMMAND_LIST", "See the moves of your character.", "コマンドリストを表示します。"},
           {"VIEW_SCREEN", "Hide the menu and look at the screen.", "メニューを消して画面を見ます。"},
           {"KEYBOARD_SETTING", "Assign the keyboard keys.", "キーボードの設定をします。"},
           {"CONTROLLER_SETTING", "Assign the controller buttons.", "コントローラーの設定をします。"},
           {"RESET_ROUND", "Play this round from its start.", "このラウンドを最初から再生します。"},
           {"NEXT_ROUND", "Go to the next round.", "次のラウンドに進みます。"},
           {"PREVIOUS_ROUND", "Go to the previous round.", "前のラウンドに戻ります。"},
           {"RETURN_REPLAY_FILE_SELECT", "Back to the replay files.", "リプレイ選択に戻ります。"},
           {"CHARACTER_SELECT", "Back to character select.", "キャラクター選択に戻ります。"},
           {"RETURN_NET_MENU", "Back to the network menu.", "ネットワークメニューに戻ります。"},
           {"RETURN_TITLE", "Back to the main menu.", "メインメニューに戻ります。"},
       }},
      {"Training.ini",
       {
           {"CONTINUE", "Back to training.", "トレーニングに戻ります。"},
           {"PLAYER_SETTING", "Battle settings.", "バトル設定をします。"},
           {"ENEMY_SETTING", "Settings of the enemy.", "敵の設定をします。"},
           {"TRAINING_DISPLAY", "What the screen shows.", "画面表示の設定をします。"},
           {"DUMMY_SETTING", "Record and play the dummy.", "ダミーの設定をします。"},
           {"ES_ENEMY_STATUS", "How the enemy stands.", "敵の状態を設定します。"},
           {"ES_ENEMY_STATUS_0", "The enemy stands.", "敵は立ち状態です。"},
           {"ES_ENEMY_STATUS_3", "The CPU plays the enemy.", "CPUが敵を操作します。"},
           {"DS_REPLAY_TYPE", "How the dummy plays back.", "ダミーの再生方法を設定します。"},
           {"DEFAULT", "Put every setting back to its default.", "すべての設定を初期状態に戻します。"},
           {"RETURN", "Back to the previous menu.", "前のメニューに戻ります。"},
       }},
      {"SteamNetworkInfo.ini",
       {
           {"RANK_MATCH", "Fight for rank points.", "ランクマッチで対戦します。"},
           {"PLAYER_MATCH", "Play in rooms with other players.", "プレイヤーマッチで対戦します。"},
           {"RANKING", "See the leaderboards.", "ランキングを見ます。"},
           {"RETURN_MAIN_MENU", "Back to the main menu.", "メインメニューに戻ります。"},
           {"QUICK_MATCH", "Search with no conditions.", "条件なしで検索します。"},
           {"CUSTOM_MATCH", "Search with your conditions.", "条件を指定して検索します。"},
           {"RETURN", "Back to the previous menu.", "前のメニューに戻ります。"},
       }},
  };
  return files;
}

std::string FileText(const HelpFile& file, bool english) {
  mkdata::IniWriter ini;
  ini.Section("Font");
  ini.Key("Name", english ? "MS UI Gothic" : ToShiftJis("ＭＳ ゴシック"));
  ini.Key("Antialias", "1");
  ini.Key("Height", "24");
  ini.Key("Weight", "400");
  ini.Section("Information");
  for (const HelpText& t : file.texts)
    ini.Key(t.key, english ? std::string(t.english) : ToShiftJis(t.japanese));
  return ini.Text();
}

bool WriteHelpTexts(const std::filesystem::path& root) {
  for (const HelpFile& file : Files()) {
    for (bool english : {true, false}) {
      const std::string text = FileText(file, english);
      if (text.find("//") != std::string::npos) {
        std::fprintf(stderr, "help texts: %s holds a comment mark\n", file.name);
        return false;
      }
      const std::string path = std::string("Information/") + (english ? "eng/" : "jpn/") + file.name;
      if (!mkdata::WriteText(root, path, text)) return false;
    }
  }
  HelpFile net{"VSResultInfoNet.ini",
               {
                   {"ONCE_AGAIN", "Ask your opponent for another match.", ""},
                   {"RETURN_NET_MENU", "Back to the network menu.", ""},
               }};
  return mkdata::WriteText(root, "Information/VSResultInfoNet.ini", FileText(net, true));
}

MKDATA_STEP("40_help_texts", WriteHelpTexts);

}  // namespace

bool mkdata::WriteHelpTextFiles(const std::filesystem::path& root, const std::string& name,
                                const std::vector<HelpEntry>& texts) {
  HelpFile file{name.c_str(), {}};
  for (const HelpEntry& t : texts)
    file.texts.push_back({t.key.c_str(), t.english.c_str(), t.japanese.c_str()});
  for (bool english : {true, false}) {
    const std::string text = FileText(file, english);
    if (text.find("//") != std::string::npos) {
      std::fprintf(stderr, "help texts: %s holds a comment mark\n", file.name);
      return false;
    }
    const std::string path = std::string("Information/") + (english ? "eng/" : "jpn/") + file.name;
    if (!mkdata::WriteText(root, path, text)) return false;
  }
  return true;
}
