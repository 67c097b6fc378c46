#include "frame/widgets/modulefont.h"

#include <QWidget>

QFont ModuleFont(int pointSize) {
    QFont font;
    font.setFamilies({QStringLiteral("NanumGothic"), QString::fromUtf8("굴림")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
    return font;
}

QFont ModuleFixedFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("NanumGothicCoding"), QString::fromUtf8("굴림체")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

void ApplyModuleFont(QWidget* window, int pointSize) {
    if (window)
        window->setFont(ModuleFont(pointSize));
}
