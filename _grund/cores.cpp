#include <thread>

#include "_grund/grund.h"

namespace grund {

namespace {

constinit thread_local bool keepToOneCore = false;

}  // namespace

bool SecondCoreWanted() { return !keepToOneCore && std::thread::hardware_concurrency() >= 2; }

void KeepToOneCore(bool keep) { keepToOneCore = keep; }

}  // namespace grund
