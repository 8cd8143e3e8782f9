// The Windows serial adapter's decisions, without Windows.
#include "WinComm.h"

#include <gtest/gtest.h>

using namespace hx;

TEST(WinComm, PortNamesOpenAsDevicePaths) {
    EXPECT_EQ(ComDevicePath("COM1"), "\\\\.\\COM1");
    EXPECT_EQ(ComDevicePath("COM10"), "\\\\.\\COM10");
    EXPECT_EQ(ComDevicePath("\\\\.\\COM3"), "\\\\.\\COM3");
}

TEST(WinComm, EveryEndOfAWaitButALostDeviceMeansLookAgain) {
    EXPECT_EQ(ClassifyWaitEnd(true, 0), WaitEnd::LookAgain);    // an event, or mask 0
    EXPECT_EQ(ClassifyWaitEnd(false, 995), WaitEnd::LookAgain); // ERROR_OPERATION_ABORTED
    EXPECT_EQ(ClassifyWaitEnd(false, 5), WaitEnd::LineLost);    // ERROR_ACCESS_DENIED
    EXPECT_EQ(ClassifyWaitEnd(false, 22), WaitEnd::LineLost);   // ERROR_BAD_COMMAND
    EXPECT_EQ(ClassifyWaitEnd(false, 1617), WaitEnd::LineLost); // ERROR_DEVICE_REMOVED
}

TEST(WinComm, OpenFailuresSayWhy) {
    EXPECT_EQ(OpenErrorOfWin32(2), PortOpenError::NotFound); // ERROR_FILE_NOT_FOUND
    EXPECT_EQ(OpenErrorOfWin32(5), PortOpenError::Busy);     // held by another program
    EXPECT_EQ(OpenErrorOfWin32(32), PortOpenError::Busy);    // ERROR_SHARING_VIOLATION
    EXPECT_EQ(OpenErrorOfWin32(87), PortOpenError::Other);
}

// 1800 bytes at 115200 baud 8N1 take 156.25 ms on the line; written at t = 0.
TEST(WinComm, TransmitEmptyNeverComesBeforeTheLineCarriedTheBytes) {
    DrainView v;
    v.lineFreeAt = 156250;
    // A driver that says at once that its queue is empty and sends EV_TXEMPTY (Wine's) is
    // taken at the line's pace.
    v.now = 3000;
    v.txEmptySeen = true;
    EXPECT_EQ(DrainCheckDelay(v), 153250);
    v.now = 156250;
    EXPECT_EQ(DrainCheckDelay(v), 0);
}

TEST(WinComm, TransmitEmptyWaitsForTheDriverAndItsEvent) {
    DrainView v;
    v.lineFreeAt = 156250;
    v.now = 160000;
    v.outQueue = 16; // a driver slower than the line
    v.txEmptySeen = true;
    EXPECT_GT(DrainCheckDelay(v), 0);
    v.outQueue = 0;
    v.writesPending = true;
    EXPECT_GT(DrainCheckDelay(v), 0);
    v.writesPending = false;
    EXPECT_EQ(DrainCheckDelay(v), 0);
    // Queue empty, but no EV_TXEMPTY yet: it is waited for, a while at most.
    v.txEmptySeen = false;
    EXPECT_GT(DrainCheckDelay(v), 0);
    v.now = v.lineFreeAt + kTxEmptyGraceMicros;
    EXPECT_EQ(DrainCheckDelay(v), 0);
}
