#pragma once

#include <QWidget>

#include "ui_InformationDialog.h"

// The About overlay: product title, version, support link and the open-source notice on a
// centred box over a translucent backdrop. OK reports sigOk(); the owner deletes it.
class InformationDialog : public QWidget, private Ui_InformationDialog {
    Q_OBJECT

  public:
    explicit InformationDialog(QWidget* parent);

    // The open-source notice: what the program links and embeds, one paragraph per component,
    // each starting with the component's name.
    static QString licenseText();

  signals:
    void sigOk();

  protected slots:
    void btnOkClicked();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void setupFonts();
};
