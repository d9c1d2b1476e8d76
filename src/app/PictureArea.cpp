#include "PictureArea.h"

#include "PictureView.h"

#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <utility>

PictureArea::PictureArea(QWidget* parent) : QScrollArea(parent), stack_(new QWidget)
{
    setObjectName(QStringLiteral("pictureArea"));
    setFrameShape(QFrame::NoFrame);
    // The pictures lie one above the other and only one is shown, so the stack takes its size.
    auto* layout = new QVBoxLayout(stack_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setWidget(stack_);
}

PictureView* PictureArea::addPicture(std::shared_ptr<const GrowthField> field, const QString& objectName,
                                     Growth growth)
{
    auto* view = new PictureView(std::move(field), stack_);
    view->setObjectName(objectName);
    view->hide();
    stack_->layout()->addWidget(view);
    pictures_.push_back(Picture{view, growth});
    return view;
}

void PictureArea::showPicture(PictureView* picture)
{
    for (int i = 0; i < static_cast<int>(pictures_.size()); ++i) {
        const bool shown = pictures_[i].view == picture;
        pictures_[i].view->setVisible(shown);
        if (shown)
            shown_ = i;
    }
    refresh();
}

PictureView* PictureArea::shownPicture() const
{
    return shown_ >= 0 ? pictures_[shown_].view : nullptr;
}

void PictureArea::refresh()
{
    for (const Picture& picture : pictures_)
        picture.view->refresh();
    const PictureView* shown = shownPicture();
    if (shown && (shown != fittedView_ || shown->size() != fittedSize_))
        fit();
}

void PictureArea::fit()
{
    const PictureView* shown = shownPicture();
    stack_->adjustSize();
    const QSize picture = shown->size();
    const QSize room = roomOnScreen();
    const int barWidth = verticalScrollBar()->sizeHint().width();
    const int barHeight = horizontalScrollBar()->sizeHint().height();
    bool across = picture.width() > room.width();
    bool down = picture.height() > room.height();
    // A scroll bar takes its breadth from the room of the other direction.
    if (down && !across)
        across = picture.width() + barWidth > room.width();
    if (across && !down)
        down = picture.height() + barHeight > room.height();
    setHorizontalScrollBarPolicy(across ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(down ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setFixedSize((picture + QSize(down ? barWidth : 0, across ? barHeight : 0)).boundedTo(room));
    // The window follows at once, so whoever keeps it on the screen sees its new size.
    if (window() != this && window()->layout())
        window()->layout()->activate();

    fittedView_ = shown;
    fittedSize_ = picture;
    openingPending_ = across || down;
    openWhereTheClusterGrows();
    emit fitted();
}

QSize PictureArea::roomOnScreen() const
{
    const QWidget* top = window();
    const QScreen* display = top->screen();
    if (top == this || !display)
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // Bring the window's size up to date with the area's, so that the difference between the
    // two is what the window adds around the area: its frame, caption and menu bar.
    if (top->layout())
        top->layout()->activate();
    const QSize around = top->frameGeometry().size() - size();
    const QSize room = display->availableGeometry().size() - around;
    // Even on a screen too small for the window, a corner of the picture stays visible.
    return room.expandedTo(QSize(100, 100));
}

void PictureArea::openWhereTheClusterGrows()
{
    // The scroll bars know their ranges only once the area is laid out on the screen.
    if (!openingPending_ || !isVisible() || shown_ < 0)
        return;
    openingPending_ = false;
    QScrollBar* columns = horizontalScrollBar();
    QScrollBar* rows = verticalScrollBar();
    columns->setValue((columns->minimum() + columns->maximum()) / 2);
    if (pictures_[shown_].growth == Growth::Upward)
        rows->setValue(rows->maximum());
    else
        rows->setValue((rows->minimum() + rows->maximum()) / 2);
}

void PictureArea::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    openWhereTheClusterGrows();
}
