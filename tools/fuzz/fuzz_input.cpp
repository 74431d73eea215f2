#include "fuzz_input.h"

#include <cstdio>
#include <cstdlib>

namespace orvan::fuzz {

void Fail(const std::string& what, std::string_view input) {
  std::fprintf(stderr, "property failed: %s\ninput (%zu bytes):", what.c_str(), input.size());
  for (std::size_t i = 0; i < input.size() && i < 200; ++i)
    std::fprintf(stderr, " %02X", static_cast<unsigned char>(input[i]));
  std::fprintf(stderr, "\n");
  std::abort();
}

}  // namespace orvan::fuzz
