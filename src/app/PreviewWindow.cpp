#include "PreviewWindow.h"

#include "PictureThumbnail.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

PreviewWindow::PreviewWindow(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("previewWindow"));
    setWindowTitle(QStringLiteral("Preview"));
    setAutoFillBackground(true);
}

QSize PreviewWindow::windowSizeFor(QSize picture, QSize screenSize)
{
    const QSize wanted = picture + QSize(2 * Border, 2 * Border);
    return wanted.boundedTo(QSize(screenSize.width() * 3 / 4, screenSize.height() * 3 / 4));
}

QRect PreviewWindow::fittedRect(QSize picture, const QRect& area)
{
    if (picture.isEmpty() || area.isEmpty())
        return {};
    const QSize fitted = picture.scaled(area.size(), Qt::KeepAspectRatio);
    QRect rect(QPoint(0, 0), fitted);
    rect.moveCenter(area.center());
    return rect;
}

void PreviewWindow::showPicture(const QString& path, QSize pictureSize)
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = screen->geometry();
    const QSize size = windowSizeFor(pictureSize, screenRect.size());
    const QSize pictureArea = size - QSize(2 * Border, 2 * Border);
    picture_ = QPixmap::fromImage(PictureThumbnail::read(path, pictureArea).image());
    pictureSize_ = pictureSize;
    resize(size);
    // The frame is unknown until the window is shown; centre the client area.
    move(screenRect.center() - QPoint(size.width() / 2, size.height() / 2));
    show();
    raise();
    activateWindow();
    update();
}

void PreviewWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect().adjusted(Border, Border, -Border, -Border);
    const QRect target = fittedRect(pictureSize_, area);
    if (!target.isEmpty()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(target, picture_);
    }
}

void PreviewWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
