#pragma once

#include "ProgramState.h"
#include "RunHost.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <memory>

class AboutWindow;
class ImageSizeWindow;
class NumPointsWindow;
class PictureView;
class QAction;
class QMenu;
class QScrollArea;
class SavePictureDialog;
class SavePrompt;

/// The main window "DLA": the picture of the current mode at 1:1, the menu that drives
/// everything, and the program's state. A growth run executes inside the START command; the
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
    bool isPlantLifeMode() const;

    NumPointsWindow* numPointsWindow() const { return numPointsWindow_.get(); }
    ImageSizeWindow* imageSizeWindow() const { return imageSizeWindow_.get(); }
    AboutWindow* aboutWindow() const { return aboutWindow_.get(); }
    SavePrompt* savePrompt() const { return savePrompt_.get(); }
    SavePictureDialog* savePictureDialog() const { return savePictureDialog_.get(); }

    /// Whether a close went through and the program has been asked to quit.
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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // RunHost
    void runStarted() override;
    RunSettings settings() override;
    void processPendingMessages(const RunProgress& progress) override;
    void runEnded() override;

    void buildPictures();
    void buildMenu();
    /// A menu item whose command runs through the error box wrapper.
    QAction* addCommand(QMenu* menu, const char* objectName, const QString& caption, std::function<void()> command,
                        const char* glyph = nullptr);
    void createSecondaryWindows();
    void acceptImageSize(std::int32_t width, std::int32_t height);
    void showMode(bool plantLife);
    /// Repaints what changed and fits the window to the visible picture.
    void refreshPictures();
    void fitWindowToPicture();
    bool hasUnsavedGrowth(bool plantLife) const;
    bool askAboutPicture(bool plantLife);

    ProgramState state_;
    PictureView* plantView_ = nullptr;
    PictureView* snowflakeView_ = nullptr;
    QScrollArea* scrollArea_ = nullptr;
    const PictureView* fittedView_ = nullptr; ///< the picture the window was last fitted to
    QSize fittedSize_;

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

    static constexpr int RepaintIntervalMs = 16;
    QElapsedTimer repaintClock_; ///< since the last repaint during a run
    int plantRuns_ = 0; ///< plant-life runs executing (one nests in another after Cancel, START)
    int snowRuns_ = 0;
    bool quitRequested_ = false;
};
