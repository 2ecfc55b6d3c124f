#pragma once

// Tells assistive tools what a ReadOnlyLinesView is: text that can be read and selected, and
// edited unless the view is read-only.
namespace LinesViewAccessible {

// Lets Qt's accessibility find the description; once is enough, more do no harm.
void install();

} // namespace LinesViewAccessible
