#include "ui/ErrorDisplay.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <string>
#include <utility>

#include "graphics/QtText.h"
#include "storage/AppGlobals.h"
#include "storage/ProcessState.h"
#include "ui/DialogSupport.h"

void ShowExceptionMessage(const std::exception& error) {
    QString text = ExceptionText(error);
    // One line however many the message has, so that every error is one line of the log.
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r'));
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
    if (!ProcessState().ErrorsToStandardErrorOnly && qobject_cast<QApplication*>(QCoreApplication::instance()) &&
        QGuiApplication::platformName() != "offscreen")
        QMessageBox::critical(nullptr, QtText(HasAppGlobals() ? AppGlobals().ProductName() : std::string()),
                              MessageBoxText(text));
}

TErrorDisplay SetErrorDisplay(TErrorDisplay display) {
    const bool previous =
        std::exchange(ProcessState().ErrorsToStandardErrorOnly, display == TErrorDisplay::StandardErrorOnly);
    return previous ? TErrorDisplay::StandardErrorOnly : TErrorDisplay::MessageBox;
}
