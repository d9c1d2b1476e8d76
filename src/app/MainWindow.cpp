#include "MainWindow.h"

#include "AboutWindow.h"
#include "files/BmpFile.h"
#include "CommandGuard.h"
#include "FocusReturn.h"
#include "ImageSizeWindow.h"
#include "NumPointsWindow.h"
#include "PictureArea.h"
#include "picture/PictureFile.h"
#include "PictureView.h"
#include "lattice/RunFrame.h"
#include "SavePictureDialog.h"
#include "SavePrompt.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QScopeGuard>

#include <algorithm>
#include <functional>

namespace {

/// The designed place of the window's top-left corner on the screen.
constexpr QPoint DesignedPosition(346, 173);

} // namespace

MainWindow::MainWindow() : MainWindow(RandomSource::clockSeed()) {}

MainWindow::MainWindow(std::uint32_t seed)
    : sharedState_(std::make_shared<ProgramState>(seed)), state_(*sharedState_)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("DLA"));
    setWindowIcon(QIcon(QStringLiteral(":/dla.png")));
    buildPictureArea();
    buildMenu();
    createSecondaryWindows();
    focusReturn_ = std::make_unique<FocusReturn>(this);
    // The window always fits its picture area; the user cannot resize it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    move(DesignedPosition);
    connect(pictureArea_, &PictureArea::fitted, this, &MainWindow::keepOnScreen);
    pictureArea_->showPicture(plantView_);
}

MainWindow::~MainWindow() = default;

bool MainWindow::isPlantLifeMode() const
{
    return plantLifeAction_->isChecked();
}

void MainWindow::buildPictureArea()
{
    // Each view shares the state that holds its field, so the field lives as long as the view.
    pictureArea_ = new PictureArea;
    plantView_ = pictureArea_->addPicture(std::shared_ptr<const GrowthField>(sharedState_, &state_.plantField()),
                                          QStringLiteral("plantView"), PictureArea::Growth::Upward);
    snowflakeView_ = pictureArea_->addPicture(std::shared_ptr<const GrowthField>(sharedState_, &state_.snowField()),
                                              QStringLiteral("snowflakeView"), PictureArea::Growth::Outward);
    setCentralWidget(pictureArea_);
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
    RunEnd plantEnd = RunEnd::ByRule;
    if (isPlantLifeMode()) {
        ++plantRuns_;
        auto done = qScopeGuard([this] {
            --plantRuns_;
            showRunning(isRunning()); // a START nested after Cancel may end inside a run that goes on
        });
        plantEnd = RunFrame(state_, *this).runPlantLife(turnedPixelsShownBy(plantView_)).end;
        state_.plantUnsaved = true;
    }
    // A switch to Snowflake during the plant-life run makes this START grow the flake next, but
    // only after a run that ended by its own rule: one that Cancel or a close stopped ends the
    // command (a close check may have switched to the snowflake picture to ask about it).
    if (snowflakeAction_->isChecked() && plantEnd == RunEnd::ByRule && !quitRequested_) {
        ++snowRuns_;
        auto done = qScopeGuard([this] {
            --snowRuns_;
            showRunning(isRunning());
        });
        RunFrame(state_, *this).runSnowflake(turnedPixelsShownBy(snowflakeView_));
        state_.snowUnsaved = true;
    }
    refreshPictures();
}

std::function<void(const StuckWanderer&)> MainWindow::turnedPixelsShownBy(PictureView* view)
{
    // The view repaints the tiles of the pixels a run turns, not all the run has reached.
    return [view](const StuckWanderer& wanderer) {
        if (wanderer.turnedWhite)
            view->noteTurnedPixel(wanderer.at.x, wanderer.at.y);
    };
}

void MainWindow::cancel()
{
    state_.stopRequested = true;
    startAction_->setEnabled(true);
    cancelAction_->setEnabled(false);
    showRunning(false);
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
    pictureArea_->showPicture(plantLife ? plantView_ : snowflakeView_);
}

void MainWindow::acceptImageSize(std::int32_t width, std::int32_t height)
{
    // A large picture takes a while to clear; the keys typed meanwhile must find this window.
    focusReturn_->handBackNow();
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
    // A large picture takes a while to write; the keys typed meanwhile must find this window.
    focusReturn_->handBackNow();
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
    // The main window is never hidden by a close: it asks the program to end instead.
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
        emit closeAgreed();
    }
}

void MainWindow::runStarted()
{
    cancelAction_->setEnabled(true);
    startAction_->setEnabled(false);
    showRunning(true);
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
    // Repaint at most once per screen refresh: a fast run reaches its message points far more
    // often than a display can show, and each repaint would cost more than the growth.
    if (!sinceScreenRefresh_.isValid() || sinceScreenRefresh_.elapsed() >= screenRefreshInterval_.count()) {
        refreshPictures();
        sinceScreenRefresh_.start();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void MainWindow::refreshPictures()
{
    pictureArea_->refresh();
}

void MainWindow::keepOnScreen()
{
    const QScreen* display = screen();
    if (!display)
        return;
    const QRect available = display->availableGeometry();
    const QRect frame = frameGeometry();
    const QPoint place(std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width())),
                       std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height())));
    if (place != frame.topLeft())
        move(place);
}

void MainWindow::showRunning(bool running)
{
    if (running)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}
