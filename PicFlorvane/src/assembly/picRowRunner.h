#pragma once

// Rows of a result image computed in batches by the calling thread and by helper threads of the
// thread centre. Only the calling thread reports: before each batch it takes, it calls the
// between-batches step with the batch's first row (rising; 0 first, height - 1 last). An
// exception from either callback stops the helpers before it leaves.

#include <functional>

void picRunRows(int height, int threads, const std::function<void(int first, int end)>& rows,
    const std::function<void(int row)>& between);

// The number of threads an assembly spreads its rows over: one per core.
int picDefaultRowThreads();
