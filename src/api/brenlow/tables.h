#pragma once

// What outcomes are written as: delta-rate tables, CSV and JSON of points, data sets and runs,
// quality lists as the front ends read them, curves imported from elsewhere.
#include "experiments/imported_curves.h"
#include "experiments/quality_list.h"
#include "experiments/sweep_report.h"
#include "results/dataset_json.h"
#include "results/research_json.h"
#include "results/timed_run_json.h"
