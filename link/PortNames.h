#pragma once
// Ordering of the port list.
#include <string>
#include <vector>

namespace hx {

// The number after the first three characters ("COM"); 0 when there is none.
int PortNumber(const std::string& name);

// Whether a belongs after b in the port list. On Windows by the port number; elsewhere device
// paths in natural order (ttyUSB2 before ttyUSB10).
bool PortSortsAfter(const std::string& a, const std::string& b);

// The name a person knows a port by: the last part of its path (ttyUSB0 for /dev/ttyUSB0, a
// virtual box's own name for its link); a name without a folder is its own short name.
std::string PortShortName(const std::string& path);

// The index before which name is inserted into a list already holding entries: before the first
// entry that sorts after it, so names that sort alike keep the enumerator's order.
int PortInsertIndex(const std::vector<std::string>& entries, const std::string& name);

} // namespace hx
