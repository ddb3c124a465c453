// A fixture for drawing tests: a vector layer on a viewer that paints a 200 x 100 bitmap showing the map
// (0, 0) - (200, 100) at one pixel per unit.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "gis/layers/GisLayerVector.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"

class VectorOnBitmap : public ::testing::Test {
protected:
    void SetUp() override {
        v.SetBounds(0, 0, 200, 100);
        layer = new TGIS_LayerVector;
        v.Add(layer);
        layer->SetExtent({0, 0, 200, 100});
        v.RecalcExtent();
        v.SetZoom(1);
        v.SetTargetBitmap(&bmp);
        v.SetOutputMode(gisOutputBitmap);
        Clear();
    }
    void Clear() {
        bmp.Canvas()->Brush()->SetStyle(bsSolid);
        bmp.Canvas()->Brush()->SetColor(clWhite);
        bmp.Canvas()->FillRect(TRect(0, 0, 200, 100));
    }
    TColor At(int x, int y) { return bmp.Canvas()->Pixel(x, y); }
    // Kept as a PNG in the build's test output folder.
    void Save(const std::string& name) { bmp.SaveToFile(std::string(QM_TEST_OUT) + "/" + name + ".png"); }

    struct App {
        App() { UiTest::Init(); }
    } app;
    TBitmap bmp{200, 100, pf24bit};
    TGIS_Viewer v{nullptr};
    TGIS_LayerVector* layer = nullptr;
};
