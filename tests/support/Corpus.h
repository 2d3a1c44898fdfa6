#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// One bad-input case of tests/corpus: a file and the outcome expected of it, as the
// line "<file> <outcome> <details...>" of the folder's expected.txt says.
struct CorpusCase {
    std::filesystem::path file;
    std::string outcome;
    std::string details; // the rest of the line
};

// The cases of tests/corpus/<kind>; fails the calling test when there are none.
std::vector<CorpusCase> CorpusCases(const std::string& kind);

} // namespace testsupport
