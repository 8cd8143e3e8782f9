#pragma once
// Output of hx5310ctl that may have to wait (a FIFO without a reader, a reader that does not
// read) and so waits only in short steps, giving up as soon as the user asks the program to end.
// One source for POSIX systems, one for Windows.
#include <cstddef>
#include <functional>
#include <string>

namespace hx::cli {

// Opens path for writing. A FIFO without a reader is waited for, every 50 ms asking stop();
// a regular file is made, or emptied when empty is set. Returns the descriptor, or -1 with
// error set (empty when stop() ended the wait).
int OpenForWriting(const std::string& path, bool empty, const std::function<bool()>& stop,
                   std::string& error);

// Writes all of data to fd. While there is no room it waits in steps of 100 ms and asks
// stop() after each. False when the write failed (errno says why) or stop() ended it (EINTR).
bool WriteAllOrStop(int fd, const char* data, std::size_t size, const std::function<bool()>& stop);

// Closes a descriptor from OpenForWriting.
void CloseOutput(int fd);

} // namespace hx::cli
