#include "support/Corpus.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace testsupport {

std::vector<CorpusCase> CorpusCases(const std::string& kind)
{
    const char* source = std::getenv("SONAVIA_SOURCE_DIR");
    const std::filesystem::path folder =
        std::filesystem::path(source ? source : ".") / "tests" / "corpus" / kind;
    std::ifstream manifest(folder / "expected.txt");
    std::vector<CorpusCase> cases;
    for (std::string line; std::getline(manifest, line);) {
        if (line.empty() || line.front() == '#')
            continue;
        std::istringstream fields(line);
        CorpusCase entry;
        std::string name;
        fields >> name >> entry.outcome >> std::ws;
        std::getline(fields, entry.details);
        entry.file = folder / name;
        cases.push_back(entry);
    }
    EXPECT_FALSE(cases.empty()) << "no cases in " << (folder / "expected.txt");
    return cases;
}

} // namespace testsupport
