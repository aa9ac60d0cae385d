#include "base/simple_array.h"

namespace simple_array_detail {
AllocateFn allocate = [](std::size_t bytes) -> void* { return std::malloc(bytes); };
}  // namespace simple_array_detail
