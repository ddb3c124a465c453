// The preview: the sheets of a result list drawn as labelled polygons on a map viewer, with zoom, pan, find,
// sheet information and further layers read from map files.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/unTessarRgPub.h"
#include "gis/core/GisDefs.h"
#include "platform/ui/Forms.h"

class TGIS_LayerVector;
class TGIS_Viewer;
class TGIS_ViewerWnd;
class TSheetLayer;
class TVtStatusPane;

// The name of the in-memory layer of the sheets.
extern const char* const TessarLayerName;

class TfrmPreview : public TForm {
public:
    explicit TfrmPreview(TComponent* owner);
    QM_CLASS_INFO

    // One polygon per sheet in the layer "TessarLayer", the view fitted to the sheets; an array without any
    // sheet does nothing.
    void LoadTessarols(TStandardTessarols sheets, bool geographic);
    void LoadCustomTessarols(TCustomTessarols sheets);

    // Handlers bound by the form resource.
    void BtnOpenClick(TObject* sender);
    void BtnInternetClick(TObject* sender);
    void BtnZoomInClick(TObject* sender);
    void BtnZoomOutClick(TObject* sender);
    void VtToolButton1Click(TObject* sender);
    void BtnInformationClick(TObject* sender);
    void VtToolButton2Click(TObject* sender);
    void BtnDeleteClick(TObject* sender);
    void BtnExitClick(TObject* sender);
    void GIS_ViewerWnd1MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void GIS_ViewerWnd1MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);

    // The sheet under a viewer point: highlighted, its area in the status bar and its record in the
    // information dialog while that is open. Nothing without a sheet there.
    void IdentifySheet(int x, int y);
    // Zooms to and flashes the first sheet whose number holds the text; a message when none does.
    void FindSheet(const std::string& text);
    // Adds the files as layers of the format of the dialog's filter index, with random colours.
    void AddLayers(const std::vector<std::string>& files, int filterIndex);

    TGIS_ViewerWnd* Viewer() const { return viewer_; }
    TGIS_LayerVector* SheetLayer() const;
    TVtStatusPane* Pane(int n) const;

    bool ZoomOut = false;
    bool IsGeographic = false;

private:
    // Creates the sheet layer with its style and fields, fitted to `extent`, in the units of the preview.
    TSheetLayer* CreateSheetLayer(const TGIS_Extent& extent, bool geographic);
    void ShowSheetCount();
    TGIS_ViewerWnd* viewer_ = nullptr;
};

extern TfrmPreview* frmPreview;

// Base + "_" + one more than the largest number that follows Base and one character in a layer name (names
// compared ignoring case, as the viewer compares them); Base + "_1" when none.
std::string MakeLayerName(const std::string& base, const TGIS_Viewer& viewer);

// Where the information dialog of a sheet goes, from the screen points of its south-east, north-east and
// north-west corners: right of the sheet when 412 pixels are free there, else left of it; below it when 350
// pixels are free, else level with its top. `bar` is the height of the tool bar above the viewer.
TPoint InformationDialogPlace(const TPoint& se, const TPoint& ne, const TPoint& nw, int screenWidth,
                              int screenHeight, int bar);

// A new layer for a map file: by its extension (.shp, .tab, .mif, .dgn, any case), else by the open dialog's
// filter it was chosen under: 1 SHP, 2 TAB, 3 MIF, any other DGN.
std::unique_ptr<TGIS_LayerVector> CreateMapFileLayer(const std::string& file, int filterIndex);

void RegisterPreviewClasses();
