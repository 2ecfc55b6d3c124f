#pragma once

namespace PlatformMemory {

// Lets the memory of large buffers go back to the system as soon as they are freed. Reading
// a file makes and frees many buffers of a megabyte or so; left to itself, the C library
// moves such buffers onto the heap after the first few, where their pages stay with the
// process once freed. Called once, at the start of a program.
void returnLargeBuffersWhenFreed();

} // namespace PlatformMemory
