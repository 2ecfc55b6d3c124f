#pragma once

// Tells assistive tools what a ReadOnlyLinesView is: text that can be read and selected, not
// edited.
namespace ReadOnlyTextAccessible {

// Lets Qt's accessibility find the description; once is enough, more do no harm.
void install();

} // namespace ReadOnlyTextAccessible
