#include "UserTexts.h"

namespace hx {

const char kTextSentBeforeReadBack[] = "設定の送信に成功しました";

namespace {

struct Row {
    OutcomeKind kind;
    const char* text; // "%s" stands for the outcome's detail
};

const Row kTexts[] = {
    {OutcomeKind::Received, "設定の受信に成功しました"},
    {OutcomeKind::Sent, "設定の送信、確認と保存に成功しました"},
    {OutcomeKind::Restarted, "再起動に成功しました"},
    {OutcomeKind::FactoryReset, "出荷時の設定に戻しました"},
    {OutcomeKind::Provisioned, "出荷時の設定に戻し、設定の送信、確認と保存に成功しました"},
    {OutcomeKind::FileSaved, "設定をファイルに保存しました"},
    {OutcomeKind::FileLoaded, "ファイルから設定を読み出しました"},
    {OutcomeKind::NotTheModel, "接続された装置は HX-5310 ではありません"},
    {OutcomeKind::ReceiveFailed, "設定の受信に失敗しました"},
    {OutcomeKind::SendFailed, "設定の送信に失敗しました"},
    {OutcomeKind::VerifyFailed, "設定の確認に失敗しました"},
    {OutcomeKind::BoxRefused, "装置が「%s」を受け付けませんでした"},
    {OutcomeKind::NoAnswer, "応答がありませんでした"},
    {OutcomeKind::MonitorLost, "状態監視中に装置からの応答がなくなりました"},
    {OutcomeKind::FieldRefused, "入力値に誤りがあるため、%s"},
    {OutcomeKind::NoPortChosen, "ポートが選択されていません。ポートを選んでください"},
    {OutcomeKind::PortNotOpened, "ポート（%s）のオープンに失敗しました"},
    {OutcomeKind::BadNewSerial,
     "新しい製造番号（%s）が正しくありません。00000000～FFFFFFFE の16進数を"
     "入力してください"},
    {OutcomeKind::CounterUnavailable,
     "製造番号を割り当てられないため、装置は変更していません（%s）"},
    {OutcomeKind::SerialBelowCounter, "前の番号を付けないため、装置は変更していません（%s）"},
    {OutcomeKind::FileFailed, "%s"},
    {OutcomeKind::BackupFailed, "バックアップを保存できないため、装置は変更していません（%s）"},
};

std::string Fill(const char* pattern, const std::string& detail) {
    std::string out;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += detail;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

} // namespace

std::string CounterProblemText(const SerialReservation& r) {
    switch (r.problem) {
    case CounterProblem::None:
        break;
    case CounterProblem::Busy:
        return "製造番号のカウンターを使えません：" + r.why;
    case CounterProblem::Damaged:
        return "保存されている「Serial Number」の値（" + r.value +
               "）が壊れています。新しい製造番号を入力してください";
    case CounterProblem::NoNext:
        return "製造番号 " + r.value + " の次の番号を作れません。新しい製造番号を入力してください";
    case CounterProblem::NotStored:
        return "次の製造番号を保存できません";
    case CounterProblem::Gone:
        return "製造番号のカウンターが見つかりません：" + r.why;
    case CounterProblem::Lower:
        return "製造番号はカウンターの次の番号 " + r.value + " より前の番号です";
    case CounterProblem::Unreachable:
        return "製造番号のデータベースに接続できません。サーバーと接続先（HX5310_COUNTER）を"
               "確認してください：" +
               r.why;
    case CounterProblem::Refused:
        return "製造番号のデータベースがログインまたは権限を拒否しました。ユーザー、パスワードと"
               "権限を確認してください：" +
               r.why;
    case CounterProblem::NoSchema:
        return "製造番号のデータベースにカウンターがありません。hx5310ctl counter init で作成して"
               "ください：" +
               r.why;
    case CounterProblem::Taken:
        return "製造番号 " + r.value + " は製造記録にすでにあります。別の番号を入力してください";
    }
    return {};
}

std::string MoveCounterBackQuestion(const std::string& typed, const std::string& counter) {
    return "製造番号 " + typed + " は、カウンターの次の番号 " + counter +
           " より前の番号です。\nすでに他の装置に付けた番号かもしれません。\n" + typed +
           " を付けて、カウンターを戻しますか？";
}

bool IsSuccess(OutcomeKind kind) {
    switch (kind) {
    case OutcomeKind::Received:
    case OutcomeKind::Sent:
    case OutcomeKind::Restarted:
    case OutcomeKind::FactoryReset:
    case OutcomeKind::Provisioned:
    case OutcomeKind::FileSaved:
    case OutcomeKind::FileLoaded:
    case OutcomeKind::MonitorStarted:
    case OutcomeKind::MonitorStopped:
        return true;
    default:
        return false;
    }
}

std::string PortOpenErrorText(PortOpenError error) {
    switch (error) {
    case PortOpenError::NotFound:
        return "ポートが見つかりません";
    case PortOpenError::Permission:
        return "アクセスが許可されていません。ユーザーを dialout "
               "グループに追加して、ログインし直して"
               "ください";
    case PortOpenError::Busy:
        return "他のプログラムが使用中です";
    case PortOpenError::None:
    case PortOpenError::Other:
        break;
    }
    return {};
}

std::string InfoText(const Outcome& outcome) {
    for (const Row& row : kTexts) {
        if (row.kind != outcome.kind)
            continue;
        std::string text = Fill(row.text, outcome.detail);
        const std::string why = PortOpenErrorText(outcome.portError);
        if (!why.empty())
            text += "：" + why;
        return text;
    }
    return {};
}

} // namespace hx
