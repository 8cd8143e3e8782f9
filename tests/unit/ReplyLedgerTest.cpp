// Which command a line answers, for boxes that echo, echo early, or never echo, when a command
// was sent more than once.
#include "ReplyLedger.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using hx::ReplyLedger;
using K = ReplyLedger::Kind;

namespace {

// A send whose read-back came late, so that "ATSRX" went out twice; the box answers both
// copies and then "AT&W". step: what happens, in order: commands sent (">X", ">+" for a
// re-send, ">stream") and lines received, each with the kind expected.
struct Step {
    const char* what;
    K expected = K::Stray;
};

void Exchange(const std::vector<Step>& steps) {
    ReplyLedger ledger;
    ledger.Begin();
    for (const Step& s : steps) {
        const std::string what = s.what;
        SCOPED_TRACE(what);
        if (what == ">+") {
            ledger.Resend();
        } else if (what == ">stream") {
            ledger.Stream();
        } else if (what[0] == '>') {
            ledger.Command(what.substr(1));
        } else {
            EXPECT_EQ(ledger.Take(what, what == "OK" || what == "ERROR"), s.expected);
        }
    }
}

} // namespace

TEST(ReplyLedger, TheOkOfASecondReadBackIsNeverTheAnswerToTheStore) {
    // Without echo: both copies of ATSRX are answered before AT&W is.
    Exchange({{">ATSTX"},
              {"OK", K::Current},
              {">stream"},
              {"OK", K::Current},
              {">ATSRX"},
              {">+"},
              {":10000000", K::Current},
              {"OK", K::Current},
              {">AT&W"},
              {":10000000", K::Earlier},
              {"OK", K::Earlier},
              {"ERROR", K::Current}});
    // With an echo that comes as each command arrives, before the last answer is done.
    Exchange({{">ATSRX"},
              {"ATSRX", K::Echo},
              {":10000000", K::Current},
              {">+"},
              {"ATSRX", K::Echo},
              {"OK", K::Current},
              {">AT&W"},
              {":10000000", K::Earlier},
              {"AT&W", K::Echo},
              {":10000000", K::Earlier},
              {"OK", K::Earlier},
              {"ERROR", K::Current}});
    // With an echo in order.
    Exchange({{">ATSRX"},
              {"ATSRX", K::Echo},
              {">+"},
              {"OK", K::Current},
              {">AT&W"},
              {"ATSRX", K::Echo},
              {"OK", K::Earlier},
              {"AT&W", K::Echo},
              {"OK", K::Current}});
}

TEST(ReplyLedger, ACopyLostOnTheWayIsNotWaitedFor) {
    // The first AT never reached an echoing box: its re-send's answer counts at once.
    Exchange({{">AT"},
              {">+"},
              {"AT", K::Echo},
              {"OK", K::Current},
              {">ATI3"},
              {"ATI3", K::Echo},
              {"QORVA", K::Current},
              {"OK", K::Current}});
    // An answer before the awaited command's echo, with nothing earlier open, is nobody's.
    Exchange({{">AT"},
              {"AT", K::Echo},
              {"OK", K::Current},
              {"OK", K::Stray},
              {">ATI3"},
              {"OK", K::Stray},
              {"ATI3", K::Echo},
              {"OK", K::Current}});
    // A box that shows every command twice.
    Exchange({{">AT"}, {"AT", K::Echo}, {"AT", K::Echo}, {"OK", K::Current}, {"OK", K::Stray}});
}
