// Small text and counter helpers.
#pragma once

#include <QString>
#include <cstdint>

// Appends `addition` to `target` and returns a copy of the new target.
QString AppendText(QString& target, const QString& addition);

// Adds 1 in place; a counter at 32767 fails with ArithmeticFailure.
void IncrementCounter(int16_t& counter);
