#include <algorithm>
#include <cmath>

#include "gis/core/GisDatums.h"
#include "gis/core/GisProjections.h"
#include "gis/layers/GisParams.h"
#include "gis/layers/GisViewer.h"

namespace {

constexpr char kUnexpectedCase[] = "Unexpected case";
// Sub-sections a configuration can number.
constexpr int kMaxSections = 999;

bool IsEmptyExtent(const TGIS_Extent& e) { return GisIsSameExtent(e, GisEmptyExtent()); }

}  // namespace

TGIS_LayerAbstract::TGIS_LayerAbstract() : paramsList_(std::make_unique<TGIS_ParamsList>(&Params)) {
    paramsList_->AddDefault(std::make_unique<TGIS_ParamsSectionVector>());
}

TGIS_LayerAbstract::~TGIS_LayerAbstract() {
    if (Viewer) {
        auto& items = Viewer->Items;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
    }
    GisReleaseProjection(projection_);
}

// ---- slots ----

void TGIS_LayerAbstract::SetExtent(const TGIS_Extent& e) {
    if (GisIsSameExtent(e, Extent)) return;
    Extent = e;
    ProjectedExtent = e;
    if (Viewer && NotifyExtent) Viewer->RecalcExtent();
}

void TGIS_LayerAbstract::Open(TGIS_Viewer* viewer) {
    OpenTime = Now();
    Viewer = viewer;
    if (UseConfig) SetConfigName(configName_);
}

void TGIS_LayerAbstract::ReadConfigCS(TGIS_Ini& ini) {
    GisEllipsoidList().ReadFromIni(ini);
    GisDatumList().ReadFromIni(ini);
    // A configuration that names no projection leaves the one read before (the layer's own file comes first).
    if (std::unique_ptr<TGIS_ProjectionAbstract> p = GisProjectionList().ReadFromConfig(ini))
        SetProjection(p.release());
    ini.ReadUnits("Units", Units);
}

void TGIS_LayerAbstract::ReadConfigOptions(TGIS_Ini& ini) {
    UseFileParams = ini.ReadBoolean("UseFileParams", UseFileParams);
    CachedPaint = ini.ReadBoolean("CachedPaint", CachedPaint);
    IncrementalPaint = ini.ReadBoolean("IncrementalPaint", IncrementalPaint);
    CodePage = ini.ReadInteger("CodePage", GetCodePage());
    OutCodePage = ini.ReadInteger("OutCodePage", GetOutCodePage());
    CharSet = ini.ReadInteger("CharSet", GetCharSet());
}

void TGIS_LayerAbstract::ReadConfigParams(TGIS_Ini& ini) { Params->LoadFromConfig(ini); }

void TGIS_LayerAbstract::WriteConfigOptions(TGIS_Ini& ini) {
    ini.WriteBoolean("CachedPaint", CachedPaint);
    ini.WriteBoolean("IncrementalPaint", IncrementalPaint);
    ini.WriteInteger("CodePage", GetCodePage());
    ini.WriteInteger("OutCodePage", GetOutCodePage());
    ini.WriteUnits("Units", Units);
    ini.WriteInteger("CharSet", GetCharSet());
    if (projection_) {
        if (projection_->Ellipsoid) GisEllipsoidList().WriteToIni(ini, projection_->Ellipsoid->Code);
        if (projection_->Datum) GisDatumList().WriteToIni(ini, projection_->Datum->Code);
    }
    GisProjectionList().WriteToConfig(ini, projection_);
}

void TGIS_LayerAbstract::WriteConfigParams(TGIS_Ini& ini) { Params->SaveToConfig(ini); }

void TGIS_LayerAbstract::DropExtraSections() {
    TGIS_ParamsSection* keep = paramsList_->GetSection(0);
    ActiveSections.erase(std::remove_if(ActiveSections.begin(), ActiveSections.end(),
                                        [keep](TGIS_ParamsSection* s) { return s != keep; }),
                         ActiveSections.end());
    paramsList_->ClearExtra();
}

void TGIS_LayerAbstract::ReadNumberedSections(TGIS_Ini& ini, bool replaceRead) {
    for (int n = 1; n < kMaxSections && ini.SelectSection(n); ++n) {
        if (n == 1 && replaceRead) DropExtraSections();
        paramsList_->AddCopy();
        ReadConfigParams(ini);
    }
}

void TGIS_LayerAbstract::ReadConfig() {
    if (!config_) return;
    DropExtraSections();
    paramsList_->Select(0);
    config_->SetLayer(this);
    config_->SelectSection(0);
    ReadConfigOptions(*config_);
    ReadConfigParams(*config_);
    ReadNumberedSections(*config_, false);

    TGIS_Ini* project = Viewer ? Viewer->ProjectConfig() : nullptr;
    if (!project) return;
    paramsList_->Select(0);
    project->SetLayer(this);
    project->SelectSection(0);
    ReadConfigOptions(*project);
    ReadConfigParams(*project);
    ReadNumberedSections(*project, true);
    if (Viewer->Zoom() > 0)
        Viewer->InvalidateExtent(Viewer->GetVisibleExtent(), true);
    else
        Viewer->Invalidate();
}

void TGIS_LayerAbstract::RereadConfig() {
    if (!config_) return;
    config_->Reload();
    ReadConfig();
}

void TGIS_LayerAbstract::WriteConfig(bool toProject) {
    TGIS_Ini* target = toProject ? (Viewer ? Viewer->ProjectConfig() : nullptr) : config_.get();
    if (!target) return;
    target->SetLayer(this);
    target->EraseLayer();
    target->SelectSection(0);
    WriteConfigOptions(*target);
    const int remembered = paramsList_->SelectedIndex();
    const int count = std::min(paramsList_->Count(), kMaxSections);
    for (int i = 0; i < count; ++i) {
        target->SelectSection(i);
        paramsList_->Select(i);
        WriteConfigParams(*target);
    }
    paramsList_->Select(remembered);
}

void TGIS_LayerAbstract::Paint() { throw EAbstractError(); }
void TGIS_LayerAbstract::PaintShapes() { throw EAbstractError(); }
void TGIS_LayerAbstract::PaintEditor() { throw EAbstractError(); }
void TGIS_LayerAbstract::PaintLabels() { throw EAbstractError(); }
void TGIS_LayerAbstract::PaintCharts() { throw EAbstractError(); }
void TGIS_LayerAbstract::DrawLabels() { throw EAbstractError(); }
void TGIS_LayerAbstract::DrawCharts() { throw EAbstractError(); }
void TGIS_LayerAbstract::RevertAll() { throw EAbstractError(); }

void TGIS_LayerAbstract::SaveAll() {
    if (config_ && !configName_.empty()) config_->Save();
}

bool TGIS_LayerAbstract::MustSave() { return config_ && !configName_.empty() && config_->Modified(); }

void TGIS_LayerAbstract::RecalcProjectedExtent() {
    if (!Viewer || !Viewer->Projection() || IsEmptyExtent(Extent)) {
        ProjectedExtent = Extent;
        return;
    }
    TGIS_Extent box = ProjectExtent(Extent);
    const double sx = (Extent.XMax - Extent.XMin) / 72;
    const double sy = (Extent.YMax - Extent.YMin) / 36;
    if (sx > 0 && sy > 0) {
        // Counted steps: a step below the spacing of doubles at the coordinate would never advance.
        for (int i = 0; i <= 36; ++i) {
            const double y = Extent.YMin + i * sy;
            if (y > Extent.YMax) break;
            for (int j = 0; j <= 72; ++j) {
                const double x = Extent.XMin + j * sx;
                if (x > Extent.XMax) break;
                GisExtentWiden(box, Project({x, y}));
            }
        }
    }
    ProjectedExtent = box;
}

void TGIS_LayerAbstract::UnlockNotify() {
    if (Viewer) Viewer->RecalcExtent();
    NotifyExtent = true;
}

TGIS_Shape* TGIS_LayerAbstract::LocateEx(const TGIS_Point& p, double tolerance, int32_t excludeUid,
                                         double& distance, int& part, TGIS_Point& nearest) {
    (void)p, (void)tolerance, (void)excludeUid, (void)distance, (void)part, (void)nearest;
    return nullptr;
}

// ---- configuration ----

void TGIS_LayerAbstract::SetConfigName(const std::string& path) {
    const std::string name = Trim(path);
    if (config_ && UpperCase(name) == UpperCase(Trim(configName_))) return;
    configName_ = name;
    config_.reset();
    // A layer without a file still gets a configuration; its name stays empty, so it is never saved.
    config_ = std::make_unique<TGIS_Ini>(this, (name.empty() ? std::string("_DUMMY") : name) + ".ini");
}

// ---- styles ----

TGIS_ParamsSection* TGIS_LayerAbstract::GetParams() {
    Params->SetShape(nullptr);
    return Params;
}

void TGIS_LayerAbstract::PrepareParams(const std::string& style) {
    ActiveSections.clear();
    const std::string key = UpperCase(style);
    bool scaleKnown = false;
    double scale = 0;
    for (int i = 0; i < paramsList_->Count(); ++i) {
        TGIS_ParamsSection* s = paramsList_->GetSection(i);
        if (UpperCase(s->Style()) != key) continue;
        if (Viewer) {
            bool rejected;
            if (s->MinScale() == 0 && s->MaxScale() > GIS_MAX_EXTENT) {
                const double twips = Viewer->GetZoomTwips(), zoom = Viewer->Zoom();
                const double lo = s->MinZoom(), hi = s->MaxZoom();
                rejected = (lo >= 0 ? twips < lo : zoom < -lo) || (hi >= 0 ? twips > hi : zoom > -hi);
            } else {
                if (!scaleKnown) {
                    scale = Viewer->GetScale();
                    scaleKnown = true;
                }
                rejected = scale < s->MinScale() || scale > s->MaxScale();
            }
            if (rejected) continue;
        }
        ActiveSections.push_back(s);
    }
    paramsList_->Select(0);
}

void TGIS_LayerAbstract::SelectSection(int i) {
    if (i < 0) return;
    QM_ASSERT(i < int(ActiveSections.size()), kUnexpectedCase);
    // The order stays as found: the vector layer picks the last matching section, which must not depend on the
    // shapes drawn before.
    TGIS_ParamsSection* s = ActiveSections[size_t(i)];
    // A paint selects the same section for shape after shape.
    const int selected = paramsList_->SelectedIndex();
    if (Params == s && selected >= 0 && selected < paramsList_->Count() && paramsList_->GetSection(selected) == s)
        return;
    for (int k = 0; k < paramsList_->Count(); ++k)
        if (paramsList_->GetSection(k) == s) {
            paramsList_->Select(k);
            return;
        }
    QM_ASSERT(false, kUnexpectedCase);
}

// ---- projection ----

void TGIS_LayerAbstract::SetProjection(TGIS_ProjectionAbstract* p) {
    if (p == projection_) return;
    GisReleaseProjection(projection_);
    projection_ = p;
}

TGIS_Point TGIS_LayerAbstract::Project(const TGIS_Point& p) {
    TGIS_ProjectionAbstract* vp = Viewer ? Viewer->Projection() : nullptr;
    if (!vp) return p;
    TGIS_Point3D q(p.X * Units.Factor, p.Y * Units.Factor, 0);
    if (projection_) projection_->Unproject(TGIS_Point3D(q), q);
    vp->Project(TGIS_Point3D(q), q);
    return {q.X / Viewer->Units.Factor, q.Y / Viewer->Units.Factor};
}

TGIS_Point TGIS_LayerAbstract::Unproject(const TGIS_Point& p) {
    TGIS_ProjectionAbstract* vp = Viewer ? Viewer->Projection() : nullptr;
    if (!vp) return p;
    TGIS_Point3D q(p.X * Viewer->Units.Factor, p.Y * Viewer->Units.Factor, 0);
    vp->Unproject(TGIS_Point3D(q), q);
    if (projection_) projection_->Project(TGIS_Point3D(q), q);
    return {q.X / Units.Factor, q.Y / Units.Factor};
}

TGIS_Extent TGIS_LayerAbstract::ConvertExtent(const TGIS_Extent& e, bool forward) {
    if (IsEmptyExtent(e)) return e;
    const double mx = (e.XMin + e.XMax) / 2, my = (e.YMin + e.YMax) / 2;
    const TGIS_Point pts[8] = {{e.XMin, e.YMin}, {e.XMax, e.YMin}, {e.XMax, e.YMax}, {e.XMin, e.YMax},
                               {mx, e.YMin},     {mx, e.YMax},     {e.XMin, my},     {e.XMax, my}};
    TGIS_Extent box = GisEmptyExtent();
    for (const TGIS_Point& p : pts) {
        const TGIS_Point q = forward ? Project(p) : Unproject(p);
        box = GisExtentUnion(box, {q.X, q.Y, q.X, q.Y});
    }
    return box;
}

TGIS_Extent TGIS_LayerAbstract::ProjectExtent(const TGIS_Extent& e) { return ConvertExtent(e, true); }
TGIS_Extent TGIS_LayerAbstract::UnprojectExtent(const TGIS_Extent& e) { return ConvertExtent(e, false); }

// ---- place ----

int TGIS_LayerAbstract::GetZOrder() const {
    if (!Viewer) return -1;
    const auto& items = Viewer->Items;
    const auto it = std::find(items.begin(), items.end(), this);
    if (it == items.end()) return -1;
    return int(items.size()) - 1 - int(it - items.begin());
}

void TGIS_LayerAbstract::SetZOrder(int z) {
    if (!Viewer || z == GetZOrder() || GetZOrder() < 0) return;
    auto& items = Viewer->Items;
    const int index = std::max(0, int(items.size()) - 1 - z);
    items.erase(std::find(items.begin(), items.end(), this));
    if (index >= int(items.size()))
        items.push_back(this);
    else
        items.insert(items.begin() + index, this);
}

bool TGIS_LayerAbstract::IsCachedPaint() const {
    return Active && Viewer && Viewer->CachedPaint() && !CachedPaint && GetZOrder() == 0;
}

TGIS_Extent TGIS_LayerAbstract::GetClipExtent() {
    QM_ASSERT(Viewer && Viewer->Zoom() > 0, "Zoom must be > 0");
    const TGIS_Viewer& v = *Viewer;
    const TRect r = Viewer->GetClipRect();
    const double z = v.Zoom();
    const double ox = double(v.Margin.X) + v.DeviceOffset.X, oy = double(v.Margin.Y) + v.DeviceOffset.Y;
    return {v.Extent.XMin + v.Delta.X + (r.Left - ox) / z, v.Extent.YMax - v.Delta.Y - (r.Bottom - oy) / z,
            v.Extent.XMin + v.Delta.X + (r.Right - ox) / z, v.Extent.YMax - v.Delta.Y - (r.Top - oy) / z};
}

int32_t TGIS_LayerAbstract::GetCodePage() const {
    if (CodePage >= 0) return CodePage;
    return Viewer ? Viewer->CodePage : GIS_ANSI_CODEPAGE;
}

int32_t TGIS_LayerAbstract::GetOutCodePage() const {
    if (OutCodePage >= 0) return OutCodePage;
    return Viewer ? Viewer->OutCodePage : GIS_ANSI_CODEPAGE;
}

int32_t TGIS_LayerAbstract::GetCharSet() const {
    if (CharSet >= 0) return CharSet;
    return Viewer ? Viewer->CharSet : 1;
}
