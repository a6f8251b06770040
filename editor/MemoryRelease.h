#pragma once

// The 3D view's whole check works in arrays far larger than what it keeps. Once they are freed,
// the C library keeps them for later allocations unless it is told otherwise; these hand them
// back to the system.

// Called once at start, before any window: every block of a mebibyte or more is then mapped on
// its own and unmapped when freed. By default the C library raises that threshold after the first
// large blocks are freed, and the check's arrays then stay in its heaps, scattered between what
// the view keeps, where no trimming can hand them back.
void handLargeBlocksBackWhenFreed();

// Hands back the free memory of every heap, after a check has let its arrays go.
void giveBackFreedMemory();
