#include "V360EndTitle.h"

#include <cstring>

#include <QFont>
#include <QPainter>

#include "BlendUtil.h"
#include "TransitionResources.h"

V360EndTitle::V360EndTitle(int type, int width, int height)
    : V360Transitor(type, width, height),
      textW(static_cast<int>(480.0 * this->width / 3840)),
      logoW(static_cast<int>(480.0 * this->width / 3840 * 16 / 18)),
      logoH(static_cast<int>(480.0 * this->height / 2160)),
      textH(static_cast<int>(100.0 * this->height / 2160)),
      gapE((this->width - 3 * logoW) / 6),
      topE((this->height - logoH) / 2),
      titleW(textW),
      titleH(textW + textH),
      endFrame(size_t(this->width) * this->height * 4, 0),
      title(size_t(titleW) * titleH * 4, 0) {
    if (textW <= 0 || textH <= 0 || logoW <= 0 || logoH <= 0) return;
    credit = QImage(textW, textH, QImage::Format_ARGB32);
    credit.fill(QColor(0, 0, 0));
    {
        QPainter painter(&credit);
        QFont font("Helvetica");
        font.setPointSize(std::max(1, static_cast<int>(36.0 * this->height / 2160)));
        painter.setFont(font);
        painter.setPen(QColor("#ffffff"));
        painter.drawText(credit.rect(), Qt::AlignCenter, "Directed by UQO Studio");
    }
    logo = TransitionResources::loadPicture(":/images/Vintaro360_logo.png")
               .scaled(logoW, logoH, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
               .convertToFormat(QImage::Format_ARGB32);
    for (int i = 0, x = gapE; i < 3; ++i, x += logoW + 2 * gapE) {
        BlendUtil::blendPiP(endFrame.data(), this->width, this->height, logo.bits(), x, topE, logoW,
                            logoH, false);
        BlendUtil::blendPiP(endFrame.data(), this->width, this->height, credit.bits(), x,
                            topE + logoH, textW, textH, false);
    }
    BlendUtil::blendPiP(title.data(), titleW, titleH, logo.bits(), (titleW - logoW) / 2, 0, logoW,
                        logoH, false);
    BlendUtil::blendPiP(title.data(), titleW, titleH, credit.bits(), 0, logoH, textW, textH, false);
}

void V360EndTitle::composeTransitionFrame(double, void*, void*, void* dst) {
    if (dst) std::memcpy(dst, endFrame.data(), endFrame.size());
}
