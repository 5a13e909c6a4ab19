#pragma once
// Fresh memory comes from the system one page of 4 kB at a time; for a
// million pairs the faults took a fifth of the reading. A block of megabytes
// that is about to be filled asks for large pages instead. The hint changes
// nothing else; where the system has no such pages it is a no-op.

#include <cstddef>

namespace wertedatei {

void AdviseLargePages(const void* data, std::size_t bytes);

}  // namespace wertedatei
