// The formula layer in one include: evaluator, libraries and binders, the
// cell-source interface, reference notation, error codes and built-ins.
#pragma once

#include "Builtins.h"
#include "CellNames.h"
#include "CellSource.h"
#include "FormulaErrors.h"
#include "FormulaValue.h"
#include "GridFormula.h"
#include "MathLib.h"
