// Figures of the container loads printed after the runs: each load's peak heap bytes, by rows
// and the general way. Each container's file gives its own.
#pragma once

#include "bench/ratio_report.h"

#include <vector>

std::vector<bench::Figure> bmpTgaLoadFigures();
std::vector<bench::Figure> jpegLoadFigures();
