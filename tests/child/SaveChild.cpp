// Saves one kind of file set and exits, for the tests that stop a save at one of its renames (under strace)
// and look at what is left: qm_save_child KIND PATH GENERATION. Exit 0 when the save reported success, else 1
// with its message on stdout. KIND
// "recover" puts back the set at PATH instead; "mif-resave" and "shp-resave" open the layer at PATH and save it
// over itself.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/testsupport/RecordingTessarProgress.h"
#include "engine/unTessarRgPub.h"
#include "gis/layers/GisLayerMIF.h"
#include "gis/layers/GisLayerSHP.h"
#include "platform/rtl/DiskCommit.h"
#include "platform/rtl/IniFiles.h"

namespace {

// `gen` sheets, their numbers and corners told apart by the generation.
TStandardTessarols Sheets(int gen) {
    TStandardTessarols t(1);
    for (int i = 0; i < gen; ++i) {
        TStandardTessarol s;
        s.SheetNo = "G" + std::to_string(gen) + "-" + std::to_string(i);
        s.West = {double(110 + i), 0, 0};
        s.East = {double(111 + i), 0, 0};
        s.North = {40, 0, 0};
        s.South = {39, 0, 0};
        const double x = 20000000 + 1000.0 * (i + gen), y = 4000000 + 10.0 * gen;
        s.LT = {x, y + 1000};
        s.RT = {x + 1000, y + 1000};
        s.RB = {x + 1000, y};
        s.LB = {x, y};
        t[0].push_back(s);
    }
    return t;
}

void FillLayer(TGIS_LayerVector& layer, int gen) {
    layer.UseConfig = false;
    layer.Open(nullptr);
    layer.AddField("NAME", gisFieldString, 16, 0);
    for (int i = 0; i < gen; ++i) {
        TGIS_Shape* s = layer.CreateShape(gisShapeTypePoint);
        s->Lock(1);
        s->AddPart();
        s->AddPoint({double(i), double(gen)});
        s->Unlock();
        s->SetField("NAME", Variant("gen" + std::to_string(gen)));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const std::string kind = argv[1], path = argv[2];
    const int gen = std::atoi(argv[3]);
    try {
        TRecordingTessarProgress progress;
        SetTessarProgress(&progress);
        if (kind == "mif") return SaveTessarolsToMif(path, Sheets(gen), true) ? 0 : 1;
        if (kind == "xlsx") {
            ExportTessarolsToExcel(path, "t", "a,b", Sheets(gen), true, true, false);
            return 0;
        }
        if (kind == "mif-layer" || kind == "shp-layer") {
            TGIS_LayerVector source;
            FillLayer(source, gen);
            if (kind == "mif-layer") {
                TGIS_LayerMIF out;
                out.WriteFromLayer(source, path, GisFullExtent(), 0, "", false);
            } else {
                TGIS_LayerSHP out;
                out.WriteFromLayer(source, path, GisFullExtent(), 0, "", false);
            }
            return 0;
        }
        // The set at PATH opened and saved over itself, as an edited layer is saved.
        if (kind == "mif-resave") {
            TGIS_LayerMIF layer;
            layer.UseConfig = false;
            layer.Path = path;
            layer.Open(nullptr);
            layer.WriteFromLayer(layer, path, GisFullExtent(), 0, "", false);
            return 0;
        }
        if (kind == "shp-resave") {
            TGIS_LayerSHP layer;
            layer.UseConfig = false;
            layer.Path = path;
            layer.Open(nullptr);
            layer.WriteFromLayer(layer, path, GisFullExtent(), 0, "", false);
            return 0;
        }
        // What an open or a save does first.
        if (kind == "recover") return DiskRecover(path) == 0 ? 0 : 1;
        if (kind == "ini") {
            TMemIniFile ini(path);
            ini.WriteString("Kelvoran Layer", "Generation", std::to_string(gen));
            ini.UpdateFile(path + "~");
            return 0;
        }
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return 1;
    } catch (...) {
        return 1;
    }
    return 2;
}
