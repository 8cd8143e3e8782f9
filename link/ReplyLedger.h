#pragma once
// Which command a line from the box answers. The box answers every command that reaches it
// once, with a final "OK" or "ERROR", in the order the commands came. A box that echoes shows
// each command as it arrives, which may be before it has finished answering the one before; a
// box that does not echo shows nothing of it. A command sent again after its retry period may
// have reached the box twice and then be answered twice: a reply counts for the command now
// awaited only once every earlier copy that reached the box has been answered.
#include <string>
#include <vector>

namespace hx {

// Whether a and b are the same text but for the case of ASCII letters: how the box's replies
// and echoes, and port names, are compared.
bool SameIgnoringCase(const std::string& a, const std::string& b);

class ReplyLedger {
public:
    enum class Kind {
        Echo,    // the box showing a command it received
        Current, // an answer to the command now awaited
        Earlier, // an answer to an earlier command, or to an earlier copy of this one
        Stray,   // nothing awaits it
    };

    // A new operation: nothing awaited, nothing known of the box's echo.
    void Begin();
    // The first copy of a new command is sent; echo: the command as the box echoes it.
    void Command(const std::string& echo);
    // Another copy of the command awaited is sent.
    void Resend();
    // The image is streamed: the box answers the whole stream once and echoes none of it.
    void Stream();
    // Whose line this is; a final line ("OK", "ERROR") answers the copy it belongs to.
    Kind Take(const std::string& line, bool final);
    // The command awaited, as the box echoes it.
    const std::string& Awaited() const { return m_awaited; }

private:
    struct Copy {
        std::string echo;
        bool arrived = false;  // echoed, or the stream
        bool answered = false; // answered, or lost on the way
    };
    // The oldest copy whose answer is still to come: one that arrived, or any while the box
    // has shown no echo.
    Copy* Expected();

    std::vector<Copy> m_copies;
    size_t m_first = 0; // the first copy of the command awaited
    std::string m_awaited;
    bool m_echoes = false;
};

} // namespace hx
