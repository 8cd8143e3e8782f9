// Arbitrary file contents through the settings-file load ("読出..."), chosen through the file
// dialog of the in-memory window. The input is the whole file.
//
// Whatever the file holds: the load either succeeds, with the model code of this box in the
// image and the box's own serial number kept, or leaves the image exactly as it was; it never
// changes which controls are usable, never touches the port and never writes the file.
#include "FuzzRig.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace hx;
using namespace hx::fuzz;

namespace {

const int kControls[] = {IDCANCEL,    IDC_PORT, IDC_RECEIVE, IDC_SEND,   IDC_RESTART,
                         IDC_FACTORY, IDC_SAVE, IDC_LOAD,    IDC_MONITOR};

std::string g_path;

void RemoveFile() {
    if (!g_path.empty())
        std::remove(g_path.c_str());
}

const std::string& FilePath() {
    if (g_path.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        g_path = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/hx5310-fuzz-load-" +
                 std::to_string(static_cast<long>(::getpid())) + ".txt";
        std::atexit(RemoveFile);
    }
    return g_path;
}

std::string ReadFile(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.append(buf, n);
        std::fclose(f);
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = FilePath();
    const std::string content(reinterpret_cast<const char*>(data), size);
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        Require(f != nullptr, "the fuzzer cannot write its file");
        Require(std::fwrite(content.data(), 1, content.size(), f) == content.size(),
                "the fuzzer cannot write its file");
        std::fclose(f);
    }

    Rig rig;
    rig.AsAfterReceive(size % 2 == 0);
    CHX5310ConfigDlg& d = *rig.dlg;
    const SettingsImage before = d.Image();
    bool enabled[sizeof kControls / sizeof kControls[0]];
    for (size_t i = 0; i < sizeof kControls / sizeof kControls[0]; ++i)
        enabled[i] = rig.win.IsEnabled(kControls[i]);
    const int resume = d.MonitorResumes();

    rig.win.QueueFileAnswer(path);
    Require(rig.win.Click(IDC_LOAD), "the load button is not usable");
    rig.CheckInvariants();

    const bool loaded = d.LastOutcome().kind == hx::OutcomeKind::FileLoaded;
    if (loaded) {
        Require(GetU16(d.Image(), kModelCodeOffset) == kModelCode,
                "a file of another model was loaded");
        Require(GetU32(d.Image(), kSerialOffset) == GetU32(before, kSerialOffset),
                "the file's serial number replaced the box's");
    } else {
        Require(d.Image() == before, "a refused file changed the image");
        Require(!d.InformationText().empty(), "a refused file without a message");
    }
    for (size_t i = 0; i < sizeof kControls / sizeof kControls[0]; ++i)
        Require(rig.win.IsEnabled(kControls[i]) == enabled[i], "a load changed a control's state");
    Require(d.MonitorResumes() == resume, "a load changed the monitor's resume flag");
    Require(!rig.line->open && rig.line->written.empty(), "a load touched the port");
    Require(ReadFile(path) == content, "a load changed the file it read");
    rig.win.Advance(6000);
    rig.CheckInvariants();
    return 0;
}
