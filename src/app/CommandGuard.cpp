#include "CommandGuard.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <exception>

bool CommandGuard::run(QWidget* parent, const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const std::exception& failure) {
        showError(parent, QString::fromUtf8(failure.what()));
    } catch (...) {
        showError(parent, QStringLiteral("Unknown failure"));
    }
    return false;
}

void CommandGuard::showError(QWidget* parent, const QString& message)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(), boxText(message), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

QString CommandGuard::boxText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

QString CommandGuard::titleFromProgramPath(const QString& path)
{
    QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    name = name.left(name.indexOf(QLatin1Char('.'))); // the whole name when there is no full stop
    if (name.isEmpty())
        return name;
    return name.left(1).toUpper() + name.mid(1).toLower();
}

QString CommandGuard::applicationTitle()
{
    return titleFromProgramPath(QCoreApplication::applicationFilePath());
}
