#include "MainWindow.h"

#include "AboutWindow.h"
#include "BmpFile.h"
#include "CommandGuard.h"
#include "ImageSizeWindow.h"
#include "NumPointsWindow.h"
#include "PictureFile.h"
#include "PictureView.h"
#include "RunFrame.h"
#include "SavePictureDialog.h"
#include "SavePrompt.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <functional>

namespace {

/// The designed place of the window's top-left corner on the screen.
constexpr QPoint DesignedPosition(346, 173);

} // namespace

MainWindow::MainWindow() : MainWindow(RandomSource::clockSeed()) {}

MainWindow::MainWindow(std::uint32_t seed) : state_(seed)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("DLA"));
    setWindowIcon(QIcon(QStringLiteral(":/dla.png")));
    buildPictures();
    buildMenu();
    createSecondaryWindows();
    // The window always fits its picture; the user cannot resize it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    fitWindowToPicture();
    move(DesignedPosition);
}

MainWindow::~MainWindow() = default;

bool MainWindow::isPlantLifeMode() const
{
    return plantLifeAction_->isChecked();
}

void MainWindow::buildPictures()
{
    auto* pictures = new QWidget;
    auto* stack = new QVBoxLayout(pictures);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->setSizeConstraint(QLayout::SetFixedSize);
    plantView_ = new PictureView(state_.plantField(), pictures);
    plantView_->setObjectName(QStringLiteral("plantView"));
    snowflakeView_ = new PictureView(state_.snowField(), pictures);
    snowflakeView_->setObjectName(QStringLiteral("snowflakeView"));
    snowflakeView_->hide();
    stack->addWidget(plantView_);
    stack->addWidget(snowflakeView_);

    // A picture larger than the screen is shown in a scrollable view that fits on it.
    scrollArea_ = new QScrollArea;
    scrollArea_->setObjectName(QStringLiteral("pictureArea"));
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setWidget(pictures);
    setCentralWidget(scrollArea_);
}

QAction* MainWindow::addCommand(QMenu* menu, const char* objectName, const QString& caption,
                                std::function<void()> command, const char* glyph)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(objectName));
    if (glyph)
        action->setIcon(QIcon(QStringLiteral(":/glyphs/%1.png").arg(QLatin1String(glyph))));
    connect(action, &QAction::triggered, this, [this, command = std::move(command)] { CommandGuard::run(this, command); });
    return action;
}

void MainWindow::buildMenu()
{
    // Each caption marks its accelerator letter; no item has a shortcut key.
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    saveAsAction_ = addCommand(file, "saveAsAction", QStringLiteral("&Save As"), [this] { saveAs(); }, "saveas");
    resetAction_ = addCommand(file, "resetAction", QStringLiteral("&Reset"), [this] { reset(); }, "reset");
    exitAction_ = addCommand(file, "exitAction", QStringLiteral("&Exit"), [this] { close(); }, "exit");

    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("optionsMenu"));
    startAction_ = addCommand(options, "startAction", QStringLiteral("&START"), [this] { start(); });
    cancelAction_ = addCommand(options, "cancelAction", QStringLiteral("&Cancel"), [this] { cancel(); });
    cancelAction_->setEnabled(false);
    options->addSeparator();
    toLimitAction_ = addCommand(options, "toLimitAction", QStringLiteral("&To Limit"), [this] { toggleToLimit(); });
    toLimitAction_->setCheckable(true);
    toLimitAction_->setChecked(true);
    numPointsAction_ = addCommand(options, "numPointsAction", QStringLiteral("&Num Points"),
                                  [this] { numPointsWindow_->showWindow(); });
    numPointsAction_->setEnabled(false);
    options->addSeparator();
    imageSizeAction_ = addCommand(options, "imageSizeAction", QStringLiteral("&Image Size"),
                                  [this] { imageSizeWindow_->showWindow(); });
    options->addSeparator();
    plantLifeAction_ =
        addCommand(options, "plantLifeAction", QStringLiteral("&Plant life"), [this] { switchToPlantLife(); }, "plantlife");
    plantLifeAction_->setCheckable(true);
    plantLifeAction_->setChecked(true);
    snowflakeAction_ =
        addCommand(options, "snowflakeAction", QStringLiteral("Sn&owflake"), [this] { switchToSnowflake(); }, "snowflake");
    snowflakeAction_->setCheckable(true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    aboutAction_ = addCommand(help, "aboutAction", QStringLiteral("&About"), [this] { aboutWindow_->showWindow(); }, "about");
}

void MainWindow::createSecondaryWindows()
{
    // Created in this order, all hidden; only the main window is shown at start.
    numPointsWindow_ = std::make_unique<NumPointsWindow>();
    aboutWindow_ = std::make_unique<AboutWindow>();
    savePrompt_ = std::make_unique<SavePrompt>();
    imageSizeWindow_ = std::make_unique<ImageSizeWindow>();
    imageSizeWindow_->setAcceptHandler(
        [this](std::int32_t width, std::int32_t height) { acceptImageSize(width, height); });
    savePictureDialog_ = std::make_unique<SavePictureDialog>(this);
}

void MainWindow::start()
{
    if (isPlantLifeMode()) {
        ++plantRuns_;
        auto done = qScopeGuard([this] { --plantRuns_; });
        RunFrame(state_, *this).runPlantLife();
        state_.plantUnsaved = true;
    }
    // A switch to Snowflake during the plant-life run makes this START grow the flake next,
    // unless the program is closing.
    if (snowflakeAction_->isChecked() && !quitRequested_) {
        ++snowRuns_;
        auto done = qScopeGuard([this] { --snowRuns_; });
        RunFrame(state_, *this).runSnowflake();
        state_.snowUnsaved = true;
    }
    refreshPictures();
}

void MainWindow::cancel()
{
    state_.stopRequested = true;
    startAction_->setEnabled(true);
    cancelAction_->setEnabled(false);
}

void MainWindow::reset()
{
    if (plantLifeAction_->isChecked())
        state_.resetPlant();
    if (snowflakeAction_->isChecked())
        state_.resetSnowflake();
    refreshPictures();
}

void MainWindow::switchToPlantLife()
{
    plantLifeAction_->setChecked(true);
    snowflakeAction_->setChecked(false);
    showMode(true);
    numPointsWindow_->setUpperBound(NumPointsWindow::PlantLifeUpperBound);
    imageSizeWindow_->setFields(state_.plantSize().width, state_.plantSize().height);
}

void MainWindow::switchToSnowflake()
{
    snowflakeAction_->setChecked(true);
    plantLifeAction_->setChecked(false);
    showMode(false);
    numPointsWindow_->setUpperBound(NumPointsWindow::SnowflakeUpperBound);
    imageSizeWindow_->setFields(state_.snowSize().width, state_.snowSize().height);
}

void MainWindow::toggleToLimit()
{
    // The action is checkable, so choosing it has already inverted its check mark.
    numPointsAction_->setEnabled(!toLimitAction_->isChecked());
}

void MainWindow::showMode(bool plantLife)
{
    plantView_->setVisible(plantLife);
    snowflakeView_->setVisible(!plantLife);
    refreshPictures();
}

void MainWindow::acceptImageSize(std::int32_t width, std::int32_t height)
{
    CommandGuard::run(this, [&] {
        if (isPlantLifeMode())
            state_.resizePlant(FieldSize{width, height});
        else
            state_.resizeSnowflake(FieldSize{width, height});
        refreshPictures();
    });
}

bool MainWindow::saveAs()
{
    if (!savePictureDialog_->execute())
        return false;
    const std::string fileName = savePictureDialog_->writtenFileName().toStdString();
    if (isPlantLifeMode()) {
        PictureFile::save(state_.plantField(), fileName);
        state_.plantUnsaved = false;
    }
    if (snowflakeAction_->isChecked()) {
        PictureFile::save(state_.snowField(), fileName);
        state_.snowUnsaved = false;
    }
    return true;
}

bool MainWindow::hasUnsavedGrowth(bool plantLife) const
{
    // A run stopped by the close has not set its flag yet, but its picture has grown.
    if (plantLife)
        return state_.plantUnsaved || plantRuns_ > 0;
    return state_.snowUnsaved || snowRuns_ > 0;
}

bool MainWindow::askAboutPicture(bool plantLife)
{
    if (plantLife != isPlantLifeMode()) {
        // Show the picture that is asked about.
        if (plantLife)
            switchToPlantLife();
        else
            switchToSnowflake();
    }
    switch (savePrompt_->ask()) {
    case SavePrompt::YesResult:
        return saveAs(); // a cancelled dialog calls the close off; a failed save throws
    case SavePrompt::NoResult:
        return true;
    default:
        return false; // the prompt was closed: the user changed their mind
    }
}

bool MainWindow::closeCheck()
{
    const bool currentIsPlantLife = isPlantLifeMode();
    for (bool plantLife : {currentIsPlantLife, !currentIsPlantLife})
        if (hasUnsavedGrowth(plantLife) && !askAboutPicture(plantLife))
            return false;
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The main window is never hidden by a close: it asks the program to quit instead.
    event->ignore();
    if (quitRequested_)
        return;
    bool closing = false;
    CommandGuard::run(this, [&] {
        if (isRunning())
            cancel();
        closing = closeCheck();
    });
    if (closing) {
        quitRequested_ = true;
        QCoreApplication::quit();
    }
}

void MainWindow::runStarted()
{
    cancelAction_->setEnabled(true);
    startAction_->setEnabled(false);
}

void MainWindow::runEnded()
{
    startAction_->setEnabled(true);
    cancelAction_->setEnabled(false);
}

RunSettings MainWindow::settings()
{
    // To Limit first; the number of points is read only for a run without it.
    RunSettings settings;
    settings.toLimit = toLimitAction_->isChecked();
    if (!settings.toLimit)
        settings.numberOfPoints = numPointsWindow_->numberOfPoints();
    return settings;
}

void MainWindow::processPendingMessages(const RunProgress&)
{
    // Repaint at most once per frame of the display: a fast run reaches its message points far
    // more often than a screen can show, and each repaint would cost more than the growth.
    if (!repaintClock_.isValid() || repaintClock_.elapsed() >= RepaintIntervalMs) {
        refreshPictures();
        repaintClock_.start();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void MainWindow::refreshPictures()
{
    plantView_->refresh();
    snowflakeView_->refresh();
    const PictureView* shown = isPlantLifeMode() ? plantView_ : snowflakeView_;
    if (shown != fittedView_ || shown->size() != fittedSize_)
        fitWindowToPicture();
}

void MainWindow::fitWindowToPicture()
{
    QWidget* pictures = scrollArea_->widget();
    pictures->adjustSize();
    fittedView_ = isPlantLifeMode() ? plantView_ : snowflakeView_;
    fittedSize_ = fittedView_->size();
    const QSize picture = fittedSize_;
    QSize room = picture;
    if (const QScreen* display = screen()) {
        const QSize frame = frameGeometry().size() - geometry().size();
        room = display->availableGeometry().size() - frame - QSize(0, menuBar()->sizeHint().height());
    }
    if (picture.width() <= room.width() && picture.height() <= room.height()) {
        scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scrollArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scrollArea_->setFixedSize(picture);
        return;
    }
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const QSize bars(scrollArea_->verticalScrollBar()->sizeHint().width(),
                     scrollArea_->horizontalScrollBar()->sizeHint().height());
    scrollArea_->setFixedSize((picture + bars).boundedTo(room));
}
