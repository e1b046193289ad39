#pragma once

#include <QMainWindow>
#include <QPointer>

#include "ConversionQueue.h"
#include "ui_MainWindow.h"

class ConversionDialog;
class FileListView;
class InfoView;
class InformationDialog;
class MapView;
class ModeView;
class PlayerView;
class UploadDialog;
class WaitingView;

// The program's one window: creates the player controller and the five panels, wires them
// together, hosts the overlays over its whole client area, moves the player panel to a
// full-screen page and back, and steps the recordings with Up and Down. Its conversion queue
// runs the jobs of the conversion and upload overlays and outlives them: a conversion still
// under way when the window goes is cancelled and joined with it.
class MainWindow : public QMainWindow, private Ui_MainWindow {
    Q_OBJECT

  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

  protected slots:
    void btnInfoClicked();
    void changeDir();
    void changeFile(QString path);
    void toFullScreen();
    void toNormalScreen();
    void showInformationDlg();
    void hideInformationDlg();
    void showConversionDlg();
    void hideConversionDlg();
    void showWaitingView();
    void hideWaitingView();
    void showUploadDlg();
    void hideUploadDlg();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void setupFileNameFont();
    void createViews();
    void connectViews();
    bool anyOverlayOpen() const;
    // Shows an overlay created with the window as parent over the whole client area.
    void placeOverlay(QWidget* overlay);
    // False, after the warning, when the probe found that 2160x1080 cannot be encoded.
    bool conversionSupported();

    // Destroyed before the overlays (children of the window), which only hold guarded
    // references to its jobs.
    ConversionQueue conversions;
    FileListView* fileListView = nullptr;
    InfoView* infoView = nullptr;
    MapView* mapView = nullptr;
    ModeView* modeView = nullptr;
    PlayerView* playerView = nullptr;
    QPointer<InformationDialog> informationDlg;
    QPointer<ConversionDialog> conversionDlg;
    QPointer<WaitingView> waitingView;
    QPointer<UploadDialog> uploadDlg;
    int windowStateBits = 0;
    int savedWindowState = 0;
};
