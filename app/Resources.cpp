#include "Resources.h"

#include "Version.h"

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

// The rows of the two channel boxes, aligned across both boxes.
int ChannelRow(int i) {
    return 37 + 14 * i;
}

// One channel's group box and its contents. The fields of the upper rows stand in one column
// and those of the two noise thresholds, whose labels are longer, in a second one a little to
// the right: one column for all would push the gain units past the box's edge.
void AddChannel(std::vector<ControlDef>& v, bool b, int boxX, int boxY) {
    const int ox = boxX - 7; // everything is laid out for box A and shifted for box B
    const int lx = 11 + ox, fx = 61 + ox, nx = 72 + ox;
    v.push_back(C(-1, K::GroupBox, b ? "Ｂ" : "Ａ", boxX, boxY, 166, 155));
    v.push_back(L("簡易設定選択", lx, ChannelRow(0) + 2, 48));
    v.push_back(List(b ? 1073 : 1072, fx, ChannelRow(0), 104, kPresetItems, kTipPreset));
    struct Num {
        int editA, spinA, editB, spinB;
        const char* caption;
        const char* unit;
        int unitWidth;
        unsigned flags;
        const char* tip;
    };
    auto addNum = [&](const Num& n, int row, int x) {
        v.push_back(L(n.caption, lx, ChannelRow(row) + 2, x - lx - 1));
        v.push_back(
            C(b ? n.editB : n.editA, K::Edit, "", x, ChannelRow(row), 24, 12, n.flags, n.tip));
        v.push_back(C(b ? n.spinB : n.spinA, K::UpDown, "", x + 24, ChannelRow(row), 10, 12));
        v.push_back(L(n.unit, x + 36, ChannelRow(row) + 2, n.unitWidth));
    };
    const Num upper[] = {
        {1003, 1004, 1005, 1006, "音声遅延時間", "ms", 12, kDigitsOnly, kTipDelay},
        {1009, 1010, 1011, 1012, "送信継続時間", "ms", 12, kDigitsOnly, kTipHold},
        {1013, 1014, 1015, 1016, "受信ゲイン", "dB (スピーカー入力)", 72, kDigitsOnly, kTipRxGain},
        {1017, 1018, 1019, 1020, "送信ゲイン", "dB (マイク出力)", 56, 0, kTipTxGain},
    };
    int row = 1;
    for (const auto& n : upper)
        addNum(n, row++, fx);
    v.push_back(L("送信選択", lx, ChannelRow(row) + 2, 48));
    v.push_back(List(b ? 1026 : 1025, fx, ChannelRow(row), 104, kTxSelItems, kTipTxSel));
    ++row;
    addNum({1038, 1051, 1052, 1053, "検知応答時間", "ms", 12, kDigitsOnly, kTipResp}, row++, fx);
    addNum({1030, 1031, 1034, 1035, "ノイズ検知閾値", "dB", 10, 0, kTipNoiseOn}, row++, nx);
    addNum({1032, 1033, 1036, 1037, "ノイズ非検知閾値", "dB", 10, 0, kTipNoiseOff}, row++, nx);
    v.push_back(C(b ? 1059 : 1058, K::CheckBox, "低音減衰", lx, ChannelRow(row), 50, 10,
                  kAutoCheckBox, kTipBassCut));
    if (b)
        v.push_back(C(1070, K::CheckBox, "PTT 極性", fx, ChannelRow(row), 52, 10, kAutoCheckBox,
                      "ＣＮ７の№７（ＰＴＴ出力）の極性を反転させる場合にチェックを入れます"));
}

// A numeric field of the common settings with its label, up-down and unit.
void AddCommonField(std::vector<ControlDef>& v, const char* caption, int labelX, int labelWidth,
                    int id, int spinId, int y, const char* unit, int unitWidth, const char* tip,
                    int fieldWidth = 22) {
    const int fx = labelX + labelWidth + 1;
    v.push_back(L(caption, labelX, y + 2, labelWidth));
    v.push_back(C(id, K::Edit, "", fx, y, fieldWidth, 12, 0, tip));
    v.push_back(C(spinId, K::UpDown, "", fx + fieldWidth, y, 10, 12));
    v.push_back(L(unit, fx + fieldWidth + 12, y + 2, unitWidth));
}

// The height the information row adds to the window.
constexpr int kInfoRowHeight = 24;

DialogTemplate BuildMain() {
    DialogTemplate t;
    t.id = IDD_HX5310CONFIG_DIALOG;
    t.caption = "HX-5310-Config";
    t.cx = 358;
    t.cy = 363;
    t.font = "MS UI Gothic";
    t.pointSize = 9;
    // The controls stand in the order of the screen, rows top to bottom and left to right
    // within a row (box A before box B): the order of the template is the tab order.
    auto& v = t.controls;
    // Top row
    v.push_back(L("ＣＯＭポート", 7, 9, 40));
    // The port list has the room the information field left in this row: ports show whole.
    v.push_back(List(1000, 48, 7, 100, {}, "認識した（新しく増えた）「ＣＯＭポート」を選択します"));
    v.push_back(C(1001, K::PushButton, "設定受信", 151, 7, 44, 12, kDefaultButton,
                  "現在の設定を読み込みます"));
    // The information field has a row of its own, the window's width and two lines tall:
    // an outcome is read whole, its reason and remedy included.
    v.push_back(L("情報", 7, 26, 16));
    v.push_back(
        C(1002, K::Edit, "", 25, 23, 326, 21, kReadOnly | kMultiLine, "各種情報を表示します"));
    const size_t infoRowEnd = v.size();
    // Channel groups
    AddChannel(v, false, 7, 25);
    AddChannel(v, true, 185, 22);
    // Common settings, three rows
    const int y0 = 186, y1 = 201, y2 = 217;
    AddCommonField(v, "信号検知閾値", 7, 56, 1021, 1022, y0, "dB", 10,
                   "「信号検知送信」選択時、送信を開始する信号（音声）レベルを指定します");
    v.push_back(C(1049, K::CheckBox, "トーン検知", 113, y0 + 1, 55, 10, kAutoCheckBox,
                  "単一トーン検知時に、送信状態に移行しないようにする場合にチェックを入れます"));
    AddCommonField(v, "無変調防止時間", 172, 64, 1054, 1055, y0, "s", 6,
                   "意図せず無変調での送信状態が継続したときに、送信状態を解除するまでの時間を指定"
                   "します");
    v.push_back(L("優先選択", 281, y0 + 2, 32));
    v.push_back(
        List(1071, 314, y0, 37, {"無効", "Ａ", "Ｂ"}, "送信状態で受信を許可する対象を選択します"));
    AddCommonField(
        v, "信号非検知閾値", 7, 56, 1027, 1028, y1, "dB", 10,
        "「信号検知送信」選択時、継続時間後に送信を終了する信号（音声）レベルを指定します");
    v.push_back(
        C(1050, K::CheckBox, "ノイズ検知", 113, y1 + 1, 55, 10, kAutoCheckBox,
          "スケルチ開放ノイズ検知時に、送信状態に移行しないようにする場合にチェックを入れます"));
    AddCommonField(v, "連続送信制限時間", 172, 64, 1056, 1057, y1, "s", 6,
                   "意図せず送信状態が継続したときに、送信状態を解除するまでの時間を指定します");
    v.push_back(L("マイク送信選択", 7, y2 + 2, 52));
    v.push_back(List(1069, 60, y2, 68, {"ＰＴＴ切り替え", "Ａのみ", "Ｂのみ", "ＡとＢ両方"},
                     "マイク＆スピーカーで送信する場合の送信対象を選択します"));
    AddCommonField(v, "マイクゲイン", 130, 40, 1023, 1024, y2, "dB", 10,
                   "マイク＆スピーカーで送信する場合のマイクゲインを調節します", 20);
    // Eight digits of a serial number, the widest of them ("88888888"), fit each field.
    v.push_back(C(1060, K::Label, "製造番号", 215, y2 + 2, 32, 8, kHidden));
    v.push_back(C(1061, K::Edit, "", 248, y2, 46, 12, kHidden | kUpperCase));
    v.push_back(C(1065, K::Label, "←", 295, y2 + 2, 8, 8, kHidden));
    v.push_back(C(1066, K::Edit, "", 305, y2, 46, 12, kHidden | kUpperCase));
    // Button row
    const int yb = 233;
    v.push_back(C(1062, K::PushButton, "出荷時に戻す", 7, yb, 56, 14, 0,
                  "本装置を出荷時の状態に戻したい場合にクリックします"));
    v.push_back(C(1007, K::PushButton, "設定送信", 67, yb, 48, 14, 0,
                  "変更した設定を保存したい場合にクリックします"));
    v.push_back(
        C(1008, K::PushButton, "再起動", 119, yb, 48, 14, 0, "再起動したい場合にクリックします"));
    v.push_back(C(1063, K::PushButton, "保存...", 171, yb, 48, 14, 0,
                  "設定をファイルに保存したい場合にクリックします"));
    v.push_back(C(1064, K::PushButton, "読出...", 223, yb, 48, 14, 0,
                  "予めファイルに保存した設定を読み出したい場合にクリックします"));
    v.push_back(C(1, K::PushButton, "OK", 275, yb, 24, 14, kHidden));
    v.push_back(C(2, K::PushButton, "閉じる", 303, yb, 48, 14, 0,
                  "クリックするとアプリケーションを終了します"));
    // Monitor area
    v.push_back(C(1029, K::CheckBox, "状態監視", 7, 251, 52, 10, kAutoCheckBox,
                  "状態を監視したい場合にチェックを入れます"));
    const char* lampLabels[] = {"トーン", "ノイズ", "ビジー", "ＰＴＴ"};
    for (int g = 0; g < 2; ++g) {
        const int gx = g == 0 ? 7 : 185;
        v.push_back(C(-1, K::GroupBox, g == 0 ? "Ａ" : "Ｂ", gx, 267, 166, 26));
        for (int i = 0; i < 4; ++i) {
            const int lx = gx + 6 + 39 * i;
            v.push_back(C((g == 0 ? 1039 : 1043) + i, K::Lamp, "", lx, 276, 13, 14));
            v.push_back(L(lampLabels[i], lx + 15, 279, 24));
        }
    }
    v.push_back(C(1047, K::Label, "受信レベル Ａ", 7, 300, 46, 8));
    v.push_back(C(1211, K::Meter, "", 54, 297, 282, 15));
    // The averaged levels ("-126dB" at the widest) stand left of the scale row.
    v.push_back(C(1067, K::Edit, "", 7, 312, 34, 14, kHidden));
    v.push_back(L("-60dB", 44, 315, 24));
    v.push_back(L("-40dB", 139, 315, 24));
    v.push_back(L("-20dB", 232, 315, 24));
    v.push_back(L("0dB", 330, 315, 18));
    v.push_back(C(1048, K::Label, "受信レベル Ｂ", 7, 328, 46, 8));
    v.push_back(C(1212, K::Meter, "", 54, 325, 282, 15));
    v.push_back(C(1068, K::Edit, "", 7, 340, 34, 14, kHidden));
    // Everything below the information row moves down by its height.
    for (size_t i = infoRowEnd; i < v.size(); ++i)
        v[i].y += kInfoRowHeight;
    t.cy += kInfoRowHeight;
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
    t.controls.push_back(L("HX-5310 設定ツール（Qt 版 " HX_VERSION "）", 40, 25, 136));
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
