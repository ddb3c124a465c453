// Style parameters of layers and shapes: how lines, areas, markers, labels and charts look, when a style
// section applies, and how values are rendered per shape; read and written through the layer configuration
// or as text lines.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/Graphics.h"

class TGIS_Bitmap;
class TGIS_Ini;
class TGIS_ParamsKeys;
class TGIS_ParamsSectionVector;
class TGIS_SqlQuery;
class TGIS_SymbolAbstract;
class TGIS_Viewer;
class TStringList;

// No limit of zoom or scale; an empty chart value.
constexpr double GIS_MAX_PARAMS_LIMIT = 1.7e308;

class TGIS_ParamsAbstract {
public:
    virtual ~TGIS_ParamsAbstract();
    TGIS_ParamsAbstract(const TGIS_ParamsAbstract&) = delete;
    TGIS_ParamsAbstract& operator=(const TGIS_ParamsAbstract&) = delete;

    // Copies what both classes share; takes the source's change count plus one.
    virtual void Assign(const TGIS_ParamsAbstract& source);
    // A fresh object of the same class with its defaults.
    virtual std::unique_ptr<TGIS_ParamsAbstract> NewInstance() const = 0;
    // Absent keys keep the current values.
    virtual void LoadFromConfig(TGIS_Ini& ini) = 0;
    virtual void SaveToConfig(TGIS_Ini& ini) = 0;

    // Lines of "key=value" without a section header; Lines is left as it was. Sections have the text form
    // too, so it lives here rather than with the feature classes only.
    void LoadFromStrings(TStringList& lines);
    void SaveToStrings(TStringList& lines);

    // NewInstance, then Assign from this.
    std::unique_ptr<TGIS_ParamsAbstract> Clone() const;
    bool WasAssigned() const { return wasAssigned_; }
    int32_t ChangeCount() const { return changeCount_; }
    void IncChangeCount();

protected:
    TGIS_ParamsAbstract() = default;

private:
    bool wasAssigned_ = false;
    int32_t changeCount_ = 0;
};

class TGIS_ParamsSpecific : public TGIS_ParamsAbstract {};

// The sub-parameter objects of a vector section, one of each kind.
enum class TGIS_ParamsKind : uint8_t { Render, Line, Area, Marker, Labels, Chart };
constexpr int GIS_PARAMS_KINDS = 6;

class TGIS_ParamsVector : public TGIS_ParamsSpecific {
public:
    // The section that owns this object (not owned), or none.
    TGIS_ParamsSectionVector* Section() const { return section_; }
    void SetSection(TGIS_ParamsSectionVector* section) { section_ = section; }
    virtual TGIS_ParamsKind Kind() const = 0;
    // The object a setter must change: this one, or while its section styles a shape, the shape's own copy.
    TGIS_ParamsVector* WritableInstance();

protected:
    template <class T>
    T* Writable() {
        auto* t = static_cast<T*>(WritableInstance());
        t->IncChangeCount();
        return t;
    }
    // The keys of the class in configuration order, for reading and writing alike.
    virtual void Keys(TGIS_ParamsKeys& keys) = 0;

public:
    void LoadFromConfig(TGIS_Ini& ini) override;
    void SaveToConfig(TGIS_Ini& ini) override;

private:
    TGIS_ParamsSectionVector* section_ = nullptr;
};

// Brush patterns (fills and outlines), pen styles, marker styles, label positions and alignments, chart styles.
enum : uint8_t { gisBsSolid, gisBsClear, gisBsHorizontal, gisBsVertical, gisBsFDiagonal, gisBsBDiagonal,
                 gisBsCross, gisBsDiagCross };
enum : uint8_t { gisPsSolid, gisPsDash, gisPsDot, gisPsDashDot, gisPsDashDotDot, gisPsClear };
enum : uint8_t { gisMarkerBox, gisMarkerCircle, gisMarkerCross, gisMarkerDiagCross, gisMarkerTriangleUp,
                 gisMarkerTriangleDown, gisMarkerTriangleLeft, gisMarkerTriangleRight };
enum : uint16_t { gisLabelUpLeft = 1, gisLabelUpCenter = 2, gisLabelUpRight = 4, gisLabelMiddleLeft = 8,
                  gisLabelMiddleCenter = 16, gisLabelMiddleRight = 32, gisLabelDownLeft = 64,
                  gisLabelDownCenter = 128, gisLabelDownRight = 256, gisLabelFlow = 512 };
enum : uint8_t { gisAlignSingle, gisAlignLeftJustify, gisAlignCenter, gisAlignRightJustify, gisAlignFollow };
enum : uint8_t { gisChartPie, gisChartBar };

class TGIS_ParamsFeature : public TGIS_ParamsVector {
public:
    ~TGIS_ParamsFeature() override;
    void Assign(const TGIS_ParamsAbstract& source) override;

    bool ShowLegend() const { return showLegend_; }
    void SetShowLegend(bool v);
    int32_t SmartSize() const { return smartSize_; }
    void SetSmartSize(int32_t v);
    const std::string& SmartSizeField() const { return smartSizeField_; }
    void SetSmartSizeField(const std::string& v);
    uint32_t Color() const { return color_; }
    void SetColor(uint32_t v);
    TGIS_Bitmap* Bitmap() const { return bitmap_.get(); }
    // Keeps a copy; nullptr removes it.
    void SetBitmap(const TGIS_Bitmap* v);
    uint8_t Pattern() const { return pattern_; }
    void SetPattern(uint8_t v);
    uint8_t OutlineStyle() const { return outlineStyle_; }
    void SetOutlineStyle(uint8_t v);
    int32_t OutlineWidth() const { return outlineWidth_; }
    void SetOutlineWidth(int32_t v);
    uint32_t OutlineColor() const { return outlineColor_; }
    void SetOutlineColor(uint32_t v);
    TGIS_Bitmap* OutlineBitmap() const { return outlineBitmap_.get(); }
    void SetOutlineBitmap(const TGIS_Bitmap* v);
    uint8_t OutlinePattern() const { return outlinePattern_; }
    void SetOutlinePattern(uint8_t v);

    // The fill brush and the outline pen on the viewer's current canvas; the same brush or pen as the last
    // one made, still held by the canvas, is not made again.
    void PrepareBrush(TGIS_Viewer& viewer);
    virtual void PrepareOutlinePen(TGIS_Viewer& viewer);
    // The brush and pen made last by any parameter object (one of each for the whole program).
    static HBRUSH LastBrush();
    static HPEN LastPen();

protected:
    TGIS_ParamsFeature(uint32_t color, int32_t outlineWidth, uint32_t outlineColor);
    // Makes the pen unless it is the last one made and the canvas still holds it.
    static void PreparePenOf(TGIS_Viewer& viewer, uint8_t style, int width, DWORD endCap,
                             const TGIS_Bitmap* bitmap, uint8_t pattern, uint32_t color);
    // The keys of the fill (Color, Bitmap, Pattern), of the outline and the closing ones (SmartSize,
    // SmartSizeField, ShowLegend), shared by the feature classes in their own order.
    void FillKeys(TGIS_ParamsKeys& keys, const std::string& prefix, bool writeBitmap);
    void OutlineKeys(TGIS_ParamsKeys& keys, const std::string& prefix, bool writeBitmap);
    void ClosingKeys(TGIS_ParamsKeys& keys, const std::string& prefix);

private:
    bool showLegend_ = false;
    int32_t smartSize_ = 0;
    std::string smartSizeField_;
    uint32_t color_;
    std::unique_ptr<TGIS_Bitmap> bitmap_;
    uint8_t pattern_ = gisBsSolid;
    uint8_t outlineStyle_ = gisPsSolid;
    int32_t outlineWidth_;
    uint32_t outlineColor_;
    std::unique_ptr<TGIS_Bitmap> outlineBitmap_;
    uint8_t outlinePattern_ = gisBsSolid;
};

class TGIS_ParamsLine : public TGIS_ParamsFeature {
public:
    TGIS_ParamsLine();
    std::unique_ptr<TGIS_ParamsAbstract> NewInstance() const override;
    void Assign(const TGIS_ParamsAbstract& source) override;
    TGIS_ParamsKind Kind() const override { return TGIS_ParamsKind::Line; }

    uint8_t Style() const { return style_; }
    void SetStyle(uint8_t v);
    int32_t Width() const { return width_; }
    void SetWidth(int32_t v);
    TGIS_SymbolAbstract* Symbol() const { return symbol_; }
    void SetSymbol(TGIS_SymbolAbstract* v);
    int32_t SymbolGap() const { return symbolGap_; }
    void SetSymbolGap(int32_t v);
    double SymbolRotate() const { return symbolRotate_; }
    void SetSymbolRotate(double v);

    // The line pen; square ends when the line has an outline.
    void PreparePen(TGIS_Viewer& viewer);
    // The outline is a wider pen drawn under the line: width + 2 x outline width.
    void PrepareOutlinePen(TGIS_Viewer& viewer) override;

protected:
    void Keys(TGIS_ParamsKeys& keys) override;

private:
    uint8_t style_ = gisPsSolid;
    int32_t width_ = 1;
    TGIS_SymbolAbstract* symbol_ = nullptr;
    int32_t symbolGap_ = 0;
    double symbolRotate_ = 0;
};

class TGIS_ParamsArea : public TGIS_ParamsFeature {
public:
    TGIS_ParamsArea();
    std::unique_ptr<TGIS_ParamsAbstract> NewInstance() const override;
    void Assign(const TGIS_ParamsAbstract& source) override;
    TGIS_ParamsKind Kind() const override { return TGIS_ParamsKind::Area; }

    TGIS_SymbolAbstract* Symbol() const { return symbol_; }
    void SetSymbol(TGIS_SymbolAbstract* v);
    int32_t SymbolSize() const { return symbolSize_; }
    void SetSymbolSize(int32_t v);
    int32_t SymbolGap() const { return symbolGap_; }
    void SetSymbolGap(int32_t v);
    double SymbolRotate() const { return symbolRotate_; }
    void SetSymbolRotate(double v);
    TGIS_SymbolAbstract* OutlineSymbol() const { return outlineSymbol_; }
    void SetOutlineSymbol(TGIS_SymbolAbstract* v);
    int32_t OutlineGap() const { return outlineGap_; }
    void SetOutlineGap(int32_t v);
    double OutlineRotate() const { return outlineRotate_; }
    void SetOutlineRotate(double v);

protected:
    void Keys(TGIS_ParamsKeys& keys) override;

private:
    TGIS_SymbolAbstract* symbol_ = nullptr;
    int32_t symbolSize_ = 120, symbolGap_ = 120;
    double symbolRotate_ = 0;
    TGIS_SymbolAbstract* outlineSymbol_ = nullptr;
    int32_t outlineGap_ = 0;
    double outlineRotate_ = 0;
};

class TGIS_ParamsMarker : public TGIS_ParamsFeature {
public:
    TGIS_ParamsMarker();
    std::unique_ptr<TGIS_ParamsAbstract> NewInstance() const override;
    void Assign(const TGIS_ParamsAbstract& source) override;
    TGIS_ParamsKind Kind() const override { return TGIS_ParamsKind::Marker; }

    uint8_t Style() const { return style_; }
    void SetStyle(uint8_t v);
    int32_t Size() const { return size_; }
    void SetSize(int32_t v);
    TGIS_SymbolAbstract* Symbol() const { return symbol_; }
    void SetSymbol(TGIS_SymbolAbstract* v);
    double SymbolRotate() const { return symbolRotate_; }
    void SetSymbolRotate(double v);

protected:
    void Keys(TGIS_ParamsKeys& keys) override;

private:
    uint8_t style_ = gisMarkerBox;
    int32_t size_ = 150;
    TGIS_SymbolAbstract* symbol_ = nullptr;
    double symbolRotate_ = 0;
};

class TGIS_ParamsLabel : public TGIS_ParamsFeature {
public:
    TGIS_ParamsLabel();
    ~TGIS_ParamsLabel() override;
    std::unique_ptr<TGIS_ParamsAbstract> NewInstance() const override;
    void Assign(const TGIS_ParamsAbstract& source) override;
    TGIS_ParamsKind Kind() const override { return TGIS_ParamsKind::Labels; }

    bool Allocator() const { return allocator_; }
    void SetAllocator(bool v);
    const std::string& Field() const { return field_; }
    void SetField(const std::string& v);
    const std::string& Value() const { return value_; }
    void SetValue(const std::string& v);
    // Changed in place: no per-shape copy, no change counted.
    TFont& Font() { return *font_; }
    int32_t Width() const { return width_; }
    void SetWidth(int32_t v);
    int32_t Height() const { return height_; }
    void SetHeight(int32_t v);
    uint16_t Position() const { return position_; }
    void SetPosition(uint16_t v);
    uint8_t Alignment() const { return alignment_; }
    void SetAlignment(uint8_t v);

protected:
    void Keys(TGIS_ParamsKeys& keys) override;

private:
    bool allocator_ = true;
    std::string field_, value_;
    std::unique_ptr<TFont> font_;
    int32_t width_ = 1000, height_ = 500;
    uint16_t position_ = gisLabelUpRight;
    uint8_t alignment_ = gisAlignSingle;
};

class TGIS_ParamsChart : public TGIS_ParamsFeature {
public:
    TGIS_ParamsChart();
    std::unique_ptr<TGIS_ParamsAbstract> NewInstance() const override;
    void Assign(const TGIS_ParamsAbstract& source) override;
    TGIS_ParamsKind Kind() const override { return TGIS_ParamsKind::Chart; }

    uint8_t Style() const { return style_; }
    void SetStyle(uint8_t v);
    int32_t Size() const { return size_; }
    void SetSize(int32_t v);
    const std::vector<double>& Values() const { return values_; }
    // Pieces between ':'; an empty one is GIS_MAX_PARAMS_LIMIT, one that does not parse 0.
    void SetValues(const std::string& text);
    std::string ValuesText() const;
    const std::string& Legend() const { return legend_; }
    void SetLegend(const std::string& v);

protected:
    void Keys(TGIS_ParamsKeys& keys) override;

private:
    uint8_t style_ = gisChartPie;
    int32_t size_ = 0;
    std::vector<double> values_;
    std::string legend_;
};

// Render by value: colours and sizes computed per shape from an expression.
class TGIS_ParamsRender : public TGIS_ParamsVector {
public:
    TGIS_ParamsRender();
    ~TGIS_ParamsRender() override;
    std::unique_ptr<TGIS_ParamsAbstract> NewInstance() const override;
    void Assign(const TGIS_ParamsAbstract& source) override;
    TGIS_ParamsKind Kind() const override { return TGIS_ParamsKind::Render; }

    // An empty text removes the expression; text that does not compile raises 0020 and leaves none.
    void SetExpression(const std::string& text);
    std::string ExpressionText() const;
    TGIS_SqlQuery* Expression() const { return expression_.get(); }
    // Chart value expressions joined by ':'; text that does not compile raises 0020 and leaves none.
    void SetChart(const std::string& text);
    const std::string& Chart() const { return chart_; }
    // One entry per piece; an entry may be empty (nullptr).
    int ChartCount() const { return int(chartQueries_.size()); }
    TGIS_SqlQuery* ChartQuery(int i) const { return chartQueries_.at(size_t(i)).get(); }

    double MinVal() const { return minVal_; }
    void SetMinVal(double v);
    double MaxVal() const { return maxVal_; }
    void SetMaxVal(double v);
    int32_t Zones() const { return zones_; }
    void SetZones(int32_t v);
    double MinValEx() const { return minValEx_; }
    void SetMinValEx(double v);
    double MaxValEx() const { return maxValEx_; }
    void SetMaxValEx(double v);
    int32_t ZonesEx() const { return zonesEx_; }
    void SetZonesEx(int32_t v);
    int32_t SizeDefault() const { return sizeDefault_; }
    void SetSizeDefault(int32_t v);
    uint32_t ColorDefault() const { return colorDefault_; }
    void SetColorDefault(uint32_t v);
    int32_t StartSize() const { return startSize_; }
    void SetStartSize(int32_t v);
    int32_t EndSize() const { return endSize_; }
    void SetEndSize(int32_t v);
    uint32_t StartColor() const { return startColor_; }
    void SetStartColor(uint32_t v);
    uint32_t EndColor() const { return endColor_; }
    void SetEndColor(uint32_t v);
    int32_t StartSizeEx() const { return startSizeEx_; }
    void SetStartSizeEx(int32_t v);
    int32_t EndSizeEx() const { return endSizeEx_; }
    void SetEndSizeEx(int32_t v);
    uint32_t StartColorEx() const { return startColorEx_; }
    void SetStartColorEx(uint32_t v);
    uint32_t EndColorEx() const { return endColorEx_; }
    void SetEndColorEx(uint32_t v);
    int32_t Round() const { return round_; }
    void SetRound(int32_t v);

protected:
    void Keys(TGIS_ParamsKeys& keys) override;

private:
    void SetChartOf(const std::string& text);

    std::unique_ptr<TGIS_SqlQuery> expression_;
    std::string chart_;
    std::vector<std::unique_ptr<TGIS_SqlQuery>> chartQueries_;
    double minVal_ = 0, maxVal_ = 0;
    int32_t zones_ = 0;
    double minValEx_ = 0, maxValEx_ = 0;
    int32_t zonesEx_ = 0;
    int32_t sizeDefault_ = -2;
    uint32_t colorDefault_ = 0x800000;
    int32_t startSize_ = -1, endSize_ = -32;
    uint32_t startColor_ = 0xFFFFFF, endColor_ = 0x008000;
    int32_t startSizeEx_ = -1, endSizeEx_ = -32;
    uint32_t startColorEx_ = 0x0000FF, endColorEx_ = 0xFFFFFF;
    int32_t round_ = 0;
};

// What copy on write needs of a shape: the shape's own section, which it owns. TGIS_Shape derives from it.
class TGIS_ParamsShape {
public:
    TGIS_ParamsShape();
    virtual ~TGIS_ParamsShape();
    TGIS_ParamsShape(const TGIS_ParamsShape&) = delete;
    TGIS_ParamsShape& operator=(const TGIS_ParamsShape&) = delete;

    bool HasOwnParams() const { return ownParams_ != nullptr; }
    TGIS_ParamsSectionVector* OwnParams() const { return ownParams_.get(); }
    // Takes the section over (nullptr drops the shape's own style).
    void SetOwnParams(std::unique_ptr<TGIS_ParamsSectionVector> section);
    // Hands the shape's own style over, leaving it without one.
    std::unique_ptr<TGIS_ParamsSectionVector> ReleaseOwnParams() { return std::move(ownParams_); }

private:
    std::unique_ptr<TGIS_ParamsSectionVector> ownParams_;
};

// When a style applies: its name, visibility, zoom and scale limits.
class TGIS_ParamsSection : public TGIS_ParamsAbstract {
public:
    void Assign(const TGIS_ParamsAbstract& source) override;
    void LoadFromConfig(TGIS_Ini& ini) override;
    void SaveToConfig(TGIS_Ini& ini) override;

    // The shape being drawn or styled (not owned), or none; while one is set, writes go to its own copy.
    TGIS_ParamsShape* Shape() const { return shape_; }
    void SetShape(TGIS_ParamsShape* shape) { shape_ = shape; }

    const std::string& Style() const { return style_; }
    void SetStyle(const std::string& v);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    double MinZoom() const { return minZoom_; }
    void SetMinZoom(double v);
    double MaxZoom() const { return maxZoom_; }
    void SetMaxZoom(double v);
    double MinScale() const { return minScale_; }
    void SetMinScale(double v);
    double MaxScale() const { return maxScale_; }
    void SetMaxScale(double v);
    int32_t Transparency() const { return transparency_; }
    void SetTransparency(int32_t v);
    int32_t Addition() const { return addition_; }
    void SetAddition(int32_t v);
    const std::string& Legend() const { return legend_; }
    void SetLegend(const std::string& v);

protected:
    TGIS_ParamsSection() = default;

private:
    // Sections never make per-shape copies: a change counts on the section itself.
    template <class T, class V>
    void Change(T& field, const V& value) {
        IncChangeCount();
        field = value;
    }

    TGIS_ParamsShape* shape_ = nullptr;
    std::string style_;
    bool visible_ = true;
    double minZoom_ = 0, maxZoom_ = GIS_MAX_PARAMS_LIMIT, minScale_ = 0, maxScale_ = GIS_MAX_PARAMS_LIMIT;
    int32_t transparency_ = 100, addition_ = 0;
    std::string legend_;
};

class TGIS_ParamsSectionVector : public TGIS_ParamsSection {
public:
    TGIS_ParamsSectionVector();
    ~TGIS_ParamsSectionVector() override;
    std::unique_ptr<TGIS_ParamsAbstract> NewInstance() const override;
    // A section that styles a shape keeps its own query and render parameters.
    void Assign(const TGIS_ParamsAbstract& source) override;
    void LoadFromConfig(TGIS_Ini& ini) override;
    void SaveToConfig(TGIS_Ini& ini) override;

    // An empty text removes the query; text that does not compile raises 0020 and leaves none.
    void SetQuery(const std::string& text);
    std::string QueryText() const;
    TGIS_SqlQuery* Query() const { return query_.get(); }

    // Each is made with its defaults on first use; a paint asks for them of every shape, so the made ones are
    // answered inline.
    TGIS_ParamsRender& Render() { return Of<TGIS_ParamsRender>(TGIS_ParamsKind::Render); }
    TGIS_ParamsLine& Line() { return Of<TGIS_ParamsLine>(TGIS_ParamsKind::Line); }
    TGIS_ParamsArea& Area() { return Of<TGIS_ParamsArea>(TGIS_ParamsKind::Area); }
    TGIS_ParamsMarker& Marker() { return Of<TGIS_ParamsMarker>(TGIS_ParamsKind::Marker); }
    TGIS_ParamsLabel& Labels() { return Of<TGIS_ParamsLabel>(TGIS_ParamsKind::Labels); }
    TGIS_ParamsChart& Chart() { return Of<TGIS_ParamsChart>(TGIS_ParamsKind::Chart); }
    TGIS_ParamsVector& Get(TGIS_ParamsKind kind);
    // Without making it.
    TGIS_ParamsVector* Find(TGIS_ParamsKind kind) const { return sub_[size_t(kind)].get(); }
    // Takes the object over as this section's object of its kind.
    TGIS_ParamsVector& Store(std::unique_ptr<TGIS_ParamsVector> params);

private:
    std::unique_ptr<TGIS_SqlQuery> query_;
    template <class T> T& Of(TGIS_ParamsKind kind) {
        TGIS_ParamsVector* made = sub_[size_t(kind)].get();
        return static_cast<T&>(made ? *made : Get(kind));
    }
    std::array<std::unique_ptr<TGIS_ParamsVector>, GIS_PARAMS_KINDS> sub_;
};

// A layer's sections; entry 0 is the default one. The selected section is published to the owner's field.
class TGIS_ParamsList {
public:
    explicit TGIS_ParamsList(TGIS_ParamsSection** target = nullptr);
    ~TGIS_ParamsList();
    TGIS_ParamsList(const TGIS_ParamsList&) = delete;
    TGIS_ParamsList& operator=(const TGIS_ParamsList&) = delete;

    int Count() const { return int(items_.size()); }
    int SelectedIndex() const { return selected_; }
    // An index outside the list changes nothing.
    void Select(int index);
    TGIS_ParamsSection* GetSection(int index) const;
    // The selected section; nullptr when the selection lies outside the list.
    TGIS_ParamsSection* SelectedSection() const {
        return selected_ >= 0 && size_t(selected_) < items_.size() ? items_[size_t(selected_)].get() : nullptr;
    }
    // Only on an empty list; takes the section over and selects it.
    void AddDefault(std::unique_ptr<TGIS_ParamsSection> section);
    // Appends a copy of entry 0 and selects it.
    void AddCopy();
    // Back to the default section alone.
    void ClearExtra();

private:
    TGIS_ParamsSection** target_;
    int selected_ = 0;
    std::vector<std::unique_ptr<TGIS_ParamsSection>> items_;
};
