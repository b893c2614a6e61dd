#pragma once

namespace bench {

// Whether this process may empty the kernel's page cache (root only).
bool canDropPageCache();

// Writes out dirty pages and drops every clean cached page of every file, so
// that the next read comes from the disk, as on the first start after a boot.
void dropPageCache();

}  // namespace bench
