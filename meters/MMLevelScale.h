#pragma once

#include "audio/MMGraphicControl.h"
#include "meters/MMLevelTypes.h"
#include "meters/MMScale.h"

#include <QFont>
#include <QString>
#include <vector>

class QFontMetrics;

// One dB label of a level scale, where Paint writes it.
struct TScaleLabel {
    QString Text;
    int X = 0;
    int Y = 0;
    TColor Color = 0;
};

// A dB scale placed beside one or more bar meters: tick strips on one or both
// edges and, where there is room, the dB labels.
class TMMLevelScale : public TMMGraphicControl {
    Q_OBJECT
public:
    explicit TMMLevelScale(QWidget* parent = nullptr);

    TMMLevelKind Kind() const { return FKind; }
    void SetKind(TMMLevelKind value) { Set(FKind, value); }
    TMMLevelDirection Direction() const { return FDirection; }
    void SetDirection(TMMLevelDirection value) { Set(FDirection, value); }
    TMMScalePos ScalePos() const { return FScalePos; }
    void SetScalePos(TMMScalePos value) { Set(FScalePos, value); }
    TMMLevScale& Scale() { return FScale; }
    int ScaleTicks() const { return FScaleTicks; }
    void SetScaleTicks(int value); // at least 2
    int Point1() const { return FPoint1; }
    void SetPoint1(int value); // 1..100
    int Point2() const { return FPoint2; }
    void SetPoint2(int value); // 1..100
    TColor Scale1Color() const { return FScaleColors[0]; }
    void SetScale1Color(TColor value) { Set(FScaleColors[0], value); }
    TColor Scale2Color() const { return FScaleColors[1]; }
    void SetScale2Color(TColor value) { Set(FScaleColors[1], value); }
    TColor Scale3Color() const { return FScaleColors[2]; }
    void SetScale3Color(TColor value) { Set(FScaleColors[2], value); }
    int Sensitivy() const { return FSensitivy; }
    void SetSensitivy(int value); // -90..-9
    bool LogAmp() const { return FLogAmp; }
    void SetLogAmp(bool value) { Set(FLogAmp, value); }
    QFont& Font() { return FFont; }

    // Where Paint puts the tick strips (with their first-edge flag) and the labels.
    struct TLayout {
        std::vector<std::pair<TRect, bool>> Strips;
        TRect LabelArea;
        std::vector<TScaleLabel> Labels;
    };
    TLayout Layout() const;

protected:
    void Paint(QPainter& canvas) override;

private:
    template <typename T> void Set(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        update();
    }
    std::vector<TScaleLabel> LayoutLabels(const TRect& area, const QFontMetrics& metrics) const;
    QString LabelText(int k) const;
    TColor LabelColor(int k) const;

    TMMLevelKind FKind = lkHorizontal;
    TMMLevelDirection FDirection = dirNormal;
    TMMScalePos FScalePos = spBoth;
    TMMLevScale FScale;
    int FScaleTicks = 8;
    int FPoint1 = 50;
    int FPoint2 = 85;
    TColor FScaleColors[3] = {clWhite, clWhite, clRed};
    int FSensitivy = -35;
    bool FLogAmp = true;
    QFont FFont;
};
