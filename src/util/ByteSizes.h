#pragma once

// Binary byte multiples, for limits and for sizes shown to the user.

#include <cstdint>

namespace ortelan {

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = 1024 * kKiB;
constexpr int64_t kGiB = 1024 * kMiB;

}  // namespace ortelan
