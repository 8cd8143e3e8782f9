#include "app/Resources.h"

namespace hx {
namespace {

using K = ControlKind;

ControlDef C(int id, K kind, const char* caption, int x, int y, int cx, int cy, unsigned flags = 0,
             const char* tooltip = "") {
    ControlDef d;
    d.id = id;
    d.kind = kind;
    d.caption = caption;
    d.x = x;
    d.y = y;
    d.cx = cx;
    d.cy = cy;
    d.flags = flags;
    d.tooltip = tooltip;
    return d;
}

ControlDef L(const char* caption, int x, int y, int cx, int cy = 8) {
    return C(-1, K::Label, caption, x, y, cx, cy);
}

ControlDef List(int id, int x, int y, int cx, std::vector<std::string> items, const char* tooltip) {
    ControlDef d = C(id, K::DropList, "", x, y, cx, 120, 0, tooltip);
    d.items = std::move(items);
    return d;
}

const char* const kTipPreset = "無線機に応じた設定の出発点を選択します";
const char* const kTipDelay = "送信を開始して、相手に音声が届くまでの時間を指定します";
const char* const kTipHold = "信号検知送信選択時、信号が途切れても送信し続ける時間を指定します";
const char* const kTipRxGain = "無線機側で音量調節できないときに、クリップ（ＬＥＤ５が高速点滅）"
                               "しない範囲で大きくします";
const char* const kTipTxGain = "送信音量が大きいときに、適切な値に小さくします";
const char* const kTipTxSel = "送信状態に移行する条件を選択します";
const char* const kTipResp = "トーン、ノイズや信号を検知するまでの応答時間を指定します";
const char* const kTipNoiseOn = "「ノイズ検知送信」選択時、送信を開始する信号レベルを指定します";
const char* const kTipNoiseOff =
    "「ノイズ検知送信」選択時、約０.１秒後に送信を終了する信号レベルを指定します";
const char* const kTipBassCut = "低音を減衰させて聞き取り易くする場合にチェックを入れます";

const std::vector<std::string> kTxSelItems = {"信号検知", "ノイズ検知", "ビジー入力（正極性）",
                                              "ビジー入力（負極性）"};
const std::vector<std::string> kPresetItems = {"特定小電力無線機全般", "デジタル無線機全般"};

// One channel's group box contents; dx is the group's left edge, dy its top.
void AddChannel(std::vector<ControlDef>& v, bool b, int dx, int dy) {
    const int lx = dx + 5, fx = dx + 63, ux = dx + 103;
    auto row = [&](int i) { return dy + 12 + 14 * i; };
    v.push_back(C(-1, K::GroupBox, b ? "Ｂ" : "Ａ", dx, dy, 172, 155));
    v.push_back(L("簡易設定選択", lx, row(0) + 2, 56));
    v.push_back(List(b ? 1073 : 1072, fx, row(0), 100, kPresetItems, kTipPreset));
    struct Num {
        int editA, spinA, editB, spinB;
        const char* caption;
        const char* unit;
        unsigned flags;
        const char* tip;
    };
    const Num nums[] = {
        {1003, 1004, 1005, 1006, "音声遅延時間", "ms", kDigitsOnly, kTipDelay},
        {1009, 1010, 1011, 1012, "送信継続時間", "ms", kDigitsOnly, kTipHold},
        {1013, 1014, 1015, 1016, "受信ゲイン", "dB (スピーカー入力)", kDigitsOnly, kTipRxGain},
        {1017, 1018, 1019, 1020, "送信ゲイン", "dB (マイク出力)", 0, kTipTxGain},
    };
    int i = 1;
    for (const auto& n : nums) {
        v.push_back(L(n.caption, lx, row(i) + 2, 56));
        v.push_back(C(b ? n.editB : n.editA, K::Edit, "", fx, row(i), 28, 12, n.flags, n.tip));
        v.push_back(C(b ? n.spinB : n.spinA, K::UpDown, "", fx + 28, row(i), 10, 12));
        v.push_back(L(n.unit, ux, row(i) + 2, 66));
        ++i;
    }
    v.push_back(L("送信選択", lx, row(i) + 2, 56));
    v.push_back(List(b ? 1026 : 1025, fx, row(i), 100, kTxSelItems, kTipTxSel));
    ++i;
    const Num more[] = {
        {1038, 1051, 1052, 1053, "検知応答時間", "ms", kDigitsOnly, kTipResp},
        {1030, 1031, 1034, 1035, "ノイズ検知閾値", "dB", 0, kTipNoiseOn},
        {1032, 1033, 1036, 1037, "ノイズ非検知閾値", "dB", 0, kTipNoiseOff},
    };
    for (const auto& n : more) {
        v.push_back(L(n.caption, lx, row(i) + 2, 56));
        v.push_back(C(b ? n.editB : n.editA, K::Edit, "", fx, row(i), 28, 12, n.flags, n.tip));
        v.push_back(C(b ? n.spinB : n.spinA, K::UpDown, "", fx + 28, row(i), 10, 12));
        v.push_back(L(n.unit, ux, row(i) + 2, 66));
        ++i;
    }
    v.push_back(C(b ? 1059 : 1058, K::CheckBox, "低音減衰", lx, row(i), 56, 10, kAutoCheckBox,
                  kTipBassCut));
    if (b)
        v.push_back(C(1070, K::CheckBox, "PTT 極性", fx, row(i), 60, 10, kAutoCheckBox,
                      "ＣＮ７の№７（ＰＴＴ出力）の極性を反転させる場合にチェックを入れます"));
}

DialogTemplate BuildMain() {
    DialogTemplate t;
    t.id = IDD_HX5310CONFIG_DIALOG;
    t.caption = "HX-5310-Config";
    t.cx = 358;
    t.cy = 363;
    t.font = "MS UI Gothic";
    t.pointSize = 9;
    auto& v = t.controls;
    // Top row
    v.push_back(L("ＣＯＭポート", 5, 7, 42));
    v.push_back(List(1000, 48, 5, 70, {}, "認識した（新しく増えた）「ＣＯＭポート」を選択します"));
    v.push_back(C(1001, K::PushButton, "設定受信", 121, 4, 44, 14, kDefaultButton,
                  "現在の設定を読み込みます"));
    v.push_back(L("情報", 169, 7, 15));
    v.push_back(C(1002, K::Edit, "", 185, 5, 168, 12, kReadOnly, "各種情報を表示します"));
    // Channel groups
    AddChannel(v, false, 5, 21);
    AddChannel(v, true, 181, 21);
    // Common settings
    const int y0 = 180, y1 = 195, y2 = 210, y3 = 225;
    v.push_back(L("信号検知閾値", 10, y0 + 2, 56));
    v.push_back(C(1021, K::Edit, "", 68, y0, 28, 12, 0,
                  "「信号検知送信」選択時、送信を開始する信号（音声）レベルを指定します"));
    v.push_back(C(1022, K::UpDown, "", 96, y0, 10, 12));
    v.push_back(L("dB", 108, y0 + 2, 10));
    v.push_back(L("信号非検知閾値", 10, y1 + 2, 56));
    v.push_back(
        C(1027, K::Edit, "", 68, y1, 28, 12, 0,
          "「信号検知送信」選択時、継続時間後に送信を終了する信号（音声）レベルを指定します"));
    v.push_back(C(1028, K::UpDown, "", 96, y1, 10, 12));
    v.push_back(L("dB", 108, y1 + 2, 10));
    v.push_back(C(1049, K::CheckBox, "トーン検知", 121, y0 + 1, 50, 10, kAutoCheckBox,
                  "単一トーン検知時に、送信状態に移行しないようにする場合にチェックを入れます"));
    v.push_back(
        C(1050, K::CheckBox, "ノイズ検知", 121, y1 + 1, 50, 10, kAutoCheckBox,
          "スケルチ開放ノイズ検知時に、送信状態に移行しないようにする場合にチェックを入れます"));
    v.push_back(L("無変調防止時間", 186, y0 + 2, 56));
    v.push_back(
        C(1054, K::Edit, "", 244, y0, 32, 12, 0,
          "意図せず無変調での送信状態が継続したときに、送信状態を解除するまでの時間を指定します"));
    v.push_back(C(1055, K::UpDown, "", 276, y0, 10, 12));
    v.push_back(L("s", 288, y0 + 2, 8));
    v.push_back(L("連続送信制限時間", 186, y1 + 2, 56));
    v.push_back(C(1056, K::Edit, "", 244, y1, 32, 12, 0,
                  "意図せず送信状態が継続したときに、送信状態を解除するまでの時間を指定します"));
    v.push_back(C(1057, K::UpDown, "", 276, y1, 10, 12));
    v.push_back(L("s", 288, y1 + 2, 8));
    v.push_back(L("マイクゲイン", 186, y2 + 2, 56));
    v.push_back(C(1023, K::Edit, "", 244, y2, 28, 12, 0,
                  "マイク＆スピーカーで送信する場合のマイクゲインを調節します"));
    v.push_back(C(1024, K::UpDown, "", 272, y2, 10, 12));
    v.push_back(L("dB", 284, y2 + 2, 10));
    v.push_back(L("優先選択", 10, y3 + 2, 56));
    v.push_back(
        List(1071, 68, y3, 48, {"無効", "Ａ", "Ｂ"}, "送信状態で受信を許可する対象を選択します"));
    v.push_back(L("マイク送信選択", 10, y2 + 2, 56));
    v.push_back(List(1069, 68, y2, 70, {"ＰＴＴ切り替え", "Ａのみ", "Ｂのみ", "ＡとＢ両方"},
                     "マイク＆スピーカーで送信する場合の送信対象を選択します"));
    v.push_back(C(1060, K::Label, "製造番号", 186, y3 + 2, 56, 8, kHidden));
    v.push_back(C(1061, K::Edit, "", 244, y3, 44, 12, kHidden | kUpperCase));
    v.push_back(C(1065, K::Label, "←", 290, y3 + 2, 8, 8, kHidden));
    v.push_back(C(1066, K::Edit, "", 300, y3, 44, 12, kHidden | kUpperCase));
    // Button row
    const int yb = 242;
    v.push_back(C(1062, K::PushButton, "出荷時に戻す", 5, yb, 56, 14, 0,
                  "本装置を出荷時の状態に戻したい場合にクリックします"));
    v.push_back(C(1007, K::PushButton, "設定送信", 65, yb, 48, 14, 0,
                  "変更した設定を保存したい場合にクリックします"));
    v.push_back(
        C(1008, K::PushButton, "再起動", 117, yb, 48, 14, 0, "再起動したい場合にクリックします"));
    v.push_back(C(1063, K::PushButton, "保存...", 169, yb, 48, 14, 0,
                  "設定をファイルに保存したい場合にクリックします"));
    v.push_back(C(1064, K::PushButton, "読出...", 221, yb, 48, 14, 0,
                  "予めファイルに保存した設定を読み出したい場合にクリックします"));
    v.push_back(C(1, K::PushButton, "OK", 273, yb, 20, 14, kHidden));
    v.push_back(C(2, K::PushButton, "閉じる", 305, yb, 48, 14, 0,
                  "クリックするとアプリケーションを終了します"));
    // Monitor area
    v.push_back(C(1029, K::CheckBox, "状態監視", 5, 260, 60, 10, kAutoCheckBox,
                  "状態を監視したい場合にチェックを入れます"));
    const char* lampLabels[] = {"トーン", "ノイズ", "ビジー", "ＰＴＴ"};
    for (int g = 0; g < 2; ++g) {
        const int gx = g == 0 ? 5 : 181;
        v.push_back(C(-1, K::GroupBox, g == 0 ? "Ａ" : "Ｂ", gx, 272, 172, 26));
        for (int i = 0; i < 4; ++i) {
            const int lx = gx + 8 + 40 * i;
            v.push_back(C((g == 0 ? 1039 : 1043) + i, K::Lamp, "", lx, 282, 13, 14));
            v.push_back(L(lampLabels[i], lx + 15, 285, 24));
        }
    }
    v.push_back(C(1047, K::Label, "受信レベル Ａ", 5, 305, 46, 8));
    v.push_back(C(1211, K::Meter, "", 54, 302, 282, 15));
    v.push_back(L("-60dB", 44, 319, 22));
    v.push_back(L("-40dB", 139, 319, 22));
    v.push_back(L("-20dB", 232, 319, 22));
    v.push_back(L("0dB", 330, 319, 16));
    v.push_back(C(1048, K::Label, "受信レベル Ｂ", 5, 333, 46, 8));
    v.push_back(C(1212, K::Meter, "", 54, 330, 282, 15));
    v.push_back(C(1067, K::Edit, "", 5, 317, 30, 12, kHidden));
    v.push_back(C(1068, K::Edit, "", 5, 345, 30, 12, kHidden));
    return t;
}

DialogTemplate BuildAbout() {
    DialogTemplate t;
    t.id = IDD_ABOUTBOX;
    t.caption = "バージョン情報 HX-5310-Config";
    t.cx = 235;
    t.cy = 55;
    t.font = "MS UI Gothic";
    t.pointSize = 9;
    t.controls.push_back(C(-1, K::Icon, "", 11, 17, 21, 20));
    t.controls.push_back(L("HX-5310-Config Version 1.2", 40, 10, 130));
    t.controls.push_back(L("HX-5310 設定ツール（Qt 版 1.3.0.1）", 40, 25, 130));
    t.controls.push_back(C(1, K::PushButton, "OK", 178, 7, 50, 16, kDefaultButton));
    return t;
}

} // namespace

const DialogTemplate& MainDialogTemplate() {
    static const DialogTemplate t = BuildMain();
    return t;
}

const DialogTemplate& AboutDialogTemplate() {
    static const DialogTemplate t = BuildAbout();
    return t;
}

const char* LoadStringResource(int id) {
    switch (id) {
    case IDS_ABOUTBOX:
        return "バージョン情報 HX-5310-Config(&A)...";
    case 100:
        return "OLE の初期化に失敗しました。";
    default:
        return "";
    }
}

const std::vector<int>& TooltipOrder() {
    static const std::vector<int> order = {
        1000, 1001, 1002, 1072, 1073, 1003, 1005, 1009, 1011, 1013, 1015, 1017, 1019, 1025,
        1026, 1038, 1052, 1030, 1034, 1032, 1036, 1070, 1058, 1059, 1021, 1027, 1049, 1050,
        1054, 1056, 1023, 1069, 1071, 1062, 1007, 1008, 1063, 1064, 2,    1029};
    return order;
}

} // namespace hx
