// What a person sees of the layout: nothing clipped, nothing on top of something else.
#include "tests/qt/QtWindowAppFixture.h"

#include <QDir>
#include <QLabel>

namespace hx::test {
namespace {

class QtLayoutTest : public QtAppTest {};

TEST_F(QtLayoutTest, Screenshot) {
    Open();
    const QString dir = qEnvironmentVariable("HX_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "HX_SCREENSHOT_DIR not set";
    QDir().mkpath(dir);
    EXPECT_TRUE(win.Dialog()->grab().save(dir + "/start.png"));
}

} // namespace
} // namespace hx::test
