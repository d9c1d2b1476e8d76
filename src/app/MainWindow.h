#pragma once

#include "lattice/ProgramState.h"
#include "lattice/RunHost.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class AboutWindow;
class FocusReturn;
class ImageSizeWindow;
class NumPointsWindow;
class PictureArea;
class PictureView;
class QAction;
class QMenu;
class SavePictureDialog;
class SavePrompt;
struct StuckWanderer;

/// The main window "DLA": the menu that drives everything, the program's state, and the picture
/// area showing the current mode's picture. A growth run executes inside the START command; the
/// window is its host, so every command also works nested inside the run's message processing.
class MainWindow : public QMainWindow, private RunHost {
    Q_OBJECT

public:
    /// The state at its defaults, the random source seeded from the clock (UTC time of day),
    /// then the secondary windows, all hidden.
    MainWindow();
    /// The same with a chosen seed, for reproducible sessions.
    explicit MainWindow(std::uint32_t seed);
    ~MainWindow() override;

    ProgramState& state() { return state_; }
    PictureArea* pictureArea() const { return pictureArea_; }
    bool isPlantLifeMode() const;

    NumPointsWindow* numPointsWindow() const { return numPointsWindow_.get(); }
    ImageSizeWindow* imageSizeWindow() const { return imageSizeWindow_.get(); }
    AboutWindow* aboutWindow() const { return aboutWindow_.get(); }
    SavePrompt* savePrompt() const { return savePrompt_.get(); }
    SavePictureDialog* savePictureDialog() const { return savePictureDialog_.get(); }

    /// Whether a close went through the close check and the program has been asked to end.
    bool quitRequested() const { return quitRequested_; }
    /// Whether a growth run is executing (possibly one nested in another).
    bool isRunning() const { return plantRuns_ + snowRuns_ > 0; }

    // The menu commands, as the menu runs them (through the error box wrapper).
    void start();
    void cancel();
    void reset();
    void switchToPlantLife();
    void switchToSnowflake();
    void toggleToLimit();
    /// Save As: false when the user cancelled the dialog. Throws SaveError when the file
    /// cannot be written; the mode's unsaved flag is cleared only after a complete write.
    bool saveAs();
    /// The close check: asks about every picture with unsaved growth, the current mode's first.
    /// False when the user called the close off.
    bool closeCheck();

    /// During a run the pictures are repainted at a message point only when this much time has
    /// passed since the last screen refresh (a display shows no more); 0 repaints at every one.
    void setScreenRefreshInterval(std::chrono::milliseconds interval) { screenRefreshInterval_ = interval; }

signals:
    /// A close went through the close check: the program is to end, once a run that the close
    /// stopped has returned. main() ends the event loop on it, which no window can refuse.
    void closeAgreed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // RunHost
    void runStarted() override;
    RunSettings settings() override;
    void processPendingMessages(const RunProgress& progress) override;
    void runEnded() override;

    void buildPictureArea();
    void buildMenu();
    /// A menu item whose command runs through the error box wrapper.
    QAction* addCommand(QMenu* menu, const char* objectName, const QString& caption, std::function<void()> command,
                        const char* glyph = nullptr);
    void createSecondaryWindows();
    void acceptImageSize(std::int32_t width, std::int32_t height);
    void showMode(bool plantLife);
    /// The observer of a run that tells `view` each pixel the run turns white.
    static std::function<void(const StuckWanderer&)> turnedPixelsShownBy(PictureView* view);
    /// Repaints what changed and fits the picture area to the visible picture.
    void refreshPictures();
    /// Moves the window up and left as little as needed to lie within the screen's available area.
    void keepOnScreen();
    /// The busy pointer over the window while a run goes on.
    void showRunning(bool running);
    bool hasUnsavedGrowth(bool plantLife) const;
    bool askAboutPicture(bool plantLife);

    /// Shared with the picture views, so the fields outlive every view that paints them.
    std::shared_ptr<ProgramState> sharedState_;
    ProgramState& state_;
    PictureArea* pictureArea_ = nullptr;
    PictureView* plantView_ = nullptr;
    PictureView* snowflakeView_ = nullptr;

    QAction* saveAsAction_ = nullptr;
    QAction* resetAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* startAction_ = nullptr;
    QAction* cancelAction_ = nullptr;
    QAction* toLimitAction_ = nullptr;
    QAction* numPointsAction_ = nullptr;
    QAction* imageSizeAction_ = nullptr;
    QAction* plantLifeAction_ = nullptr;
    QAction* snowflakeAction_ = nullptr;
    QAction* aboutAction_ = nullptr;

    std::unique_ptr<NumPointsWindow> numPointsWindow_;
    std::unique_ptr<AboutWindow> aboutWindow_;
    std::unique_ptr<SavePrompt> savePrompt_;
    std::unique_ptr<ImageSizeWindow> imageSizeWindow_;
    std::unique_ptr<SavePictureDialog> savePictureDialog_;

    std::chrono::milliseconds screenRefreshInterval_{16}; ///< about one refresh of a display
    QElapsedTimer sinceScreenRefresh_; ///< since the pictures were last repainted during a run
    int plantRuns_ = 0; ///< plant-life runs executing (one nests in another after Cancel, START)
    int snowRuns_ = 0;
    bool quitRequested_ = false;
    /// Declared last, so it stops watching before the windows it watches go.
    std::unique_ptr<FocusReturn> focusReturn_;
};
