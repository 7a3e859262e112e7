#include "clsDoEvents.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

void clsDoEvents::fDoEvents(bool& bDoOriginalDoEvents) {
    if (bDoOriginalDoEvents) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->processEvents(QEventLoop::AllEvents);
}
