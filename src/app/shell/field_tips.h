#pragma once

#include <QString>

namespace brenlow {

// The toolbar fields' tooltips, saying what each holds and what its value does now.
QString qualityTip();
// "Divisor code 2: the coefficients are divided by 2.5 ..." for the field's text.
QString divisorTip(const QString& fieldText);
QString focusTip(const QString& fieldText);

}  // namespace brenlow
