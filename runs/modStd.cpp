#include "modStd.h"

QString AppendText(QString& target, const QString& addition) {
    target += addition;
    return target;
}
