#pragma once

// How curves are drawn wherever a front end draws them, and the spread their error bars show, so that
// a notebook's figure matches the report's and the workbench's.
#include "experiments/dataset_outcome.h"
#include "report/curve_styles.h"
