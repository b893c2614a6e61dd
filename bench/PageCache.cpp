#include "PageCache.h"

#include <unistd.h>

#include <fstream>
#include <stdexcept>

namespace bench {
namespace {

constexpr char kDropCaches[] = "/proc/sys/vm/drop_caches";

}  // namespace

bool canDropPageCache() {
    return ::access(kDropCaches, W_OK) == 0;
}

void dropPageCache() {
    ::sync();
    std::ofstream control(kDropCaches);
    control << "3\n";
    control.close();
    if (!control) throw std::runtime_error("cannot drop the page cache (needs root)");
}

}  // namespace bench
