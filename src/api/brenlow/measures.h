#pragma once

// The picture measures and the measure table every writer, panel and chart iterates, with the
// measures' own questions (whether Butteraugli is built, its heat map, a picture's colour encoding).
#include "measures/butteraugli.h"
#include "measures/linear_srgb.h"
#include "measures/measure_table.h"
#include "measures/measures.h"
#include "measures/prepared_reference.h"
#include "measures/still_measures.h"
