// Small text helpers.
#pragma once

#include <QString>

// Appends `addition` to `target` and returns a copy of the new target.
QString AppendText(QString& target, const QString& addition);
