#pragma once
// The text of data/hx5310-counter.sql, built into the program: the schema that "hx5310ctl
// counter init" creates is the file the package ships.
namespace hx {
extern const char kPgSchema[];
}
