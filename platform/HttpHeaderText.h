#pragma once

#include <QByteArray>
#include <utility>
#include <vector>

namespace platform {

// The "Name: value" lines of a request's header text. Lines may end in CR, LF or any
// mix of them; empty lines and lines without a colon are skipped; name and value lose
// their surrounding blanks.
std::vector<std::pair<QByteArray, QByteArray>> ParseHeaderText(const QByteArray& text);

} // namespace platform
