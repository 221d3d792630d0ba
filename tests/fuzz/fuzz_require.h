#pragma once
// What every fuzz target does when a rule is broken: name the rule and its line on standard error,
// then abort, which libFuzzer reports with the input that caused it.
#include <cstdio>
#include <cstdlib>

namespace dg::fuzz {

[[noreturn]] inline void fail(const char* rule, int line)
{
    std::fprintf(stderr, "rule broken at line %d: %s\n", line, rule);
    std::abort();
}

} // namespace dg::fuzz

#define require(condition) ((condition) ? void() : ::dg::fuzz::fail(#condition, __LINE__))
