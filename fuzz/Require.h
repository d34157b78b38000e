#pragma once

#include <cstdio>
#include <cstdlib>

namespace tavixat::fuzz {

// A broken property is a crash as far as the fuzzer is concerned: it keeps the input.
inline void require(bool holds, const char* property) {
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}

} // namespace tavixat::fuzz
