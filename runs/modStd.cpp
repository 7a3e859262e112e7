#include "modStd.h"

#include "Checked.h"

QString AppendText(QString& target, const QString& addition) {
    target += addition;
    return target;
}

void IncrementCounter(int16_t& counter) {
    if (counter == INT16_MAX) throw ArithmeticFailure{};
    ++counter;
}
