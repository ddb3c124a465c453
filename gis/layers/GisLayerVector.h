// Map features and the vector layer that holds them: the shape base over a shapefile-form geometry buffer (owned
// or mapped), the point, multipoint, arc and polygon shapes, the free geometry routines they share, and the layer's
// fields, uid-ordered shape list, scans and R-tree.
// Sources: GisLayerVector.cpp (layer), GisLayerVectorShape.cpp (shape base), GisLayerVectorPoint.cpp,
// GisLayerVectorMultipoint.cpp, GisLayerVectorArc.cpp, GisLayerVectorPolygon.cpp, GisLayerVectorGeometry.cpp
// (free routines), GisLayerVectorWkt.cpp (WKT/WKB reading and writing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisDefs.h"
#include "gis/core/GisUtils.h"
#include "gis/layers/GisParams.h"
#include "gis/layers/GisViewer.h"

class TGIS_LayerVector;
class TGIS_RTree;
class TGIS_SqlQuery;

enum : uint8_t {
    gisShapeTypeNull = 0,
    gisShapeTypePoint = 2,
    gisShapeTypeMultipoint = 3,
    gisShapeTypeArc = 4,
    gisShapeTypePolygon = 5,
};

// Spatial relation modes: wholly within, centroid within, touches. Boundaries count as within.
enum : uint8_t { gisRelateWithin = 0, gisRelateCentroid = 1, gisRelateTouch = 2 };

// Field types of TGIS_FieldInfo.
enum : uint8_t { gisFieldString = 0, gisFieldNumber = 1, gisFieldFloat = 2, gisFieldLogical = 3, gisFieldDate = 4 };

// Far beyond any map distance: "nothing measured yet".
constexpr double GIS_MAX_DISTANCE = 1.7e308;

// WKB bytes; an empty vector stands for no value.
using TGIS_Bytes = std::vector<uint8_t>;
// Points handed to the caller; empty for none.
using TGIS_PointList = std::vector<TGIS_Point>;

struct TGIS_FieldInfo {
    bool Deleted = false;
    uint8_t FieldType = gisFieldString;
    // As read from the layer's file; empty for a field added in memory.
    std::string Name;
    int32_t Width = 0;
    int32_t Decimals = 0;
    // What FindField compares.
    std::string NewName;
    int32_t NewWidth = 0;
    int32_t NewDecimals = 0;
    int32_t BinaryWidth = 0;
    std::string ExportName;
};

class TGIS_ShapeAbstract {
public:
    virtual ~TGIS_ShapeAbstract() = default;
};

// Geometry buffer, little-endian, read without alignment assumptions:
//   point:            X, Y
//   multipoint:       extent (XMin, YMin, XMax, YMax), NumPoints, points
//   arc and polygon:  extent, NumParts, NumPoints, first point index of each part, points
class TGIS_Shape : public TGIS_ShapeAbstract, public TGIS_ParamsShape {
    friend class TGIS_WkbBuilder;  // fills the buffer of a shape read from WKB in one pass

public:
    ~TGIS_Shape() override;
    TGIS_Shape(const TGIS_Shape&) = delete;
    TGIS_Shape& operator=(const TGIS_Shape&) = delete;

    // Re-initialises this object, so that a format layer can reuse one per record. Bytes from outside come with
    // their length and are accepted only when their counts are sound; otherwise the shape is left without
    // geometry and the result is false. A source of another shape type is a programming error.
    bool Recreate(TGIS_Shape* source, const uint8_t* geometry, size_t size, bool mapped, int32_t uid,
                  TGIS_LayerVector* layer);
    // GeometrySize of the bytes when a shape of that type can read them, else -1.
    static int64_t CheckGeometry(uint8_t shapeType, const uint8_t* geometry, size_t size);

    // ---- virtual operations ----
    virtual TGIS_Extent GetExtent() const;
    // In viewer coordinates when the layer's viewer has a coordinate system.
    virtual TGIS_Extent GetPointsExtent();
    virtual TGIS_Extent GetProjectedExtent();
    // What a repaint of the shape must cover.
    virtual TGIS_Extent GetDrawExtent();
    // Twips when positive, pixels when negative, 0 for no minimum.
    virtual int32_t GetMinDrawSize() = 0;
    virtual std::unique_ptr<TGIS_Shape> CreateCopy() = 0;
    virtual void Lock(int level) { LockLevel = int16_t(level); }
    virtual void Unlock();
    virtual void AddPoint(const TGIS_Point& p) = 0;
    virtual void AddPart();
    virtual TGIS_Point GetPoint(int part, int index);
    TGIS_Point GetFirstPoint();
    TGIS_Point GetLastPoint();
    virtual int32_t GetNumPoints() const;
    virtual int32_t GetNumParts() const;
    virtual int32_t GetPartSize(int part) const;
    // The earliest vertex strictly nearer than |tolerance|; else the point itself at distance |tolerance|.
    TGIS_Point NearestVertex(const TGIS_Point& p, double tolerance, double& distance);
    void FreeGeometry();
    void FreeOwnParams() { SetOwnParams(nullptr); }

    Variant GetField(const std::string& name);
    // Raises 0051 for a name that is no field, 0071 for bad logical text; the values stay as they were then.
    void SetField(const std::string& name, const Variant& value);
    // The same by the index of one of the layer's fields, for readers that fill whole rows.
    void SetFieldAt(int index, const Variant& value);

    // The smallest DistanceToPart over all parts; GIS_MAX_DISTANCE without parts.
    double Distance(const TGIS_Point& p, double tolerance);
    virtual double DistanceToPart(const TGIS_Point& p, int part, TGIS_Point& nearest, double tolerance) = 0;
    virtual TGIS_Point Centroid() { return {0, 0}; }
    virtual TGIS_Point LabelPoint() { return Centroid(); }
    virtual double Area() { return 0; }
    virtual double Length() { return 0; }
    virtual bool RelateCircle(const TGIS_Point& centre, uint8_t mode, double radius);
    virtual bool RelateExtent(const TGIS_Extent& extent, uint8_t mode);
    virtual bool RelateShape(TGIS_Shape* other, uint8_t mode);
    virtual bool Intersects(TGIS_Shape* other);
    virtual TGIS_PointList RelateShapeEx(TGIS_Shape* other);
    // Nullptr when nothing is left.
    virtual std::unique_ptr<TGIS_Shape> Clip(const TGIS_Extent& extent);

    // A new free-standing shape of the class the geometry names, or nullptr.
    static std::unique_ptr<TGIS_Shape> CreateFromWKT(const std::string& text);
    static std::unique_ptr<TGIS_Shape> CreateFromWKB(const TGIS_Bytes& bytes);
    // A read that raises leaves the shape unchanged; another class clears the geometry.
    void ImportWKT(const std::string& text);
    void ImportWKB(const TGIS_Bytes& bytes);
    virtual std::string ExportWKT() = 0;
    // Without geometry the bytes are left unchanged.
    virtual void ExportWKB(TGIS_Bytes& bytes) = 0;

    // ---- style, layer and R-tree upkeep ----
    // Own params, else (selected) the layer's selection style, else the layer's; styling this shape.
    inline TGIS_ParamsSectionVector* GetParams();
    inline TGIS_Viewer* GetViewer() const;
    void Delete();
    // A mapped buffer becomes a private copy; every geometry change calls this first.
    void MakeEditable();
    // The in-memory instance of this shape in its layer, created there when missing.
    TGIS_Shape* MakeEditableCopy();
    void AddToRTree();
    void UpdateRTree();
    bool IsInRTree() const;
    // The joined table stands on this shape's record; the walk only goes forward (the layer's MoveFirst rewinds).
    bool LocateJoinRecord();

    // ---- drawing (GisLayerVectorDraw.cpp) ----
    // Label text by a template: one starting with ":" mixes text, "\\" escapes and <FIELD> or <FIELD:format>
    // references; any other template names a field.
    std::string FormatLabelText(const std::string& templ);
    // Vertex handles on the viewer's canvas; handles nearer than 5 pixels to the previous one are left out.
    void DrawSelected();
    // Asks the viewer to repaint the shape's draw extent.
    void Invalidate(bool erase);
    // Blinks a copy of the shape in red and yellow on the window (four rounds, 100 ms each colour), then asks
    // for the normal drawing back; on any other output it draws the red copy once and waits nowhere.
    void Flash();
    // The label in the first of its allowed positions that is free (when overlaps are avoided), framed.
    virtual void DrawLabel();
    // The chart of the shape's chart params at its label point.
    void DrawChart();
    // On the viewer's current canvas; nothing for shapes deleted or without geometry.
    virtual void Draw() {}
    // The vertices of the shape under edit, numbered, the editor's current vertex marked; on the viewer's canvas.
    virtual void DrawEditOverlay() {}
    // What to hand to the canvas: this shape, or a copy (held in `copy`) clipped so that every coordinate stays
    // within 16000 pixels of the origin (forced: clipped to the visible extent); nullptr for nothing to draw.
    TGIS_Shape* PrepareDraw(bool force, std::unique_ptr<TGIS_Shape>& copy);

    // ---- buffer ----
    bool HasGeometry() const { return geometry_ != nullptr; }
    const uint8_t* Geometry() const { return geometry_; }
    // Bytes in use; 0 without a buffer.
    size_t GeometrySize() const;
    // Bytes allocated for an owned buffer; 0 for none or a mapped one.
    size_t Capacity() const { return capacity_; }

    // Writes at the part's offset + index (index -1 appends); the part's last index and beyond count one more
    // point. Appending is sound on the last part only.
    void SetPartPoint(int part, int index, const TGIS_Point& p);
    int32_t GetPartOffset(int part) const;
    // An arc's or polygon's part as GetPoint reads it, point by point to f(const TGIS_Point&): drawing and labels
    // go through every point of every shape in view, and a virtual call per point costs more than the point.
    template <class F> void ForEachPartPoint(int part, const F& f) const;
    // Widens the stored extent (and the layer's) by a point in layer coordinates.
    void ExtendExtent(const TGIS_Point& p);

    uint8_t ShapeType() const { return shapeType_; }
    int32_t Uid = 0;
    TGIS_LayerVector* Layer = nullptr;
    bool Mapped() const { return mapped_; }
    bool Deleted = false;
    bool Selected = false;
    bool InRTree = false;
    int16_t LockLevel = 0;
    // Opaque per-shape values of the format that read the shape.
    uint32_t FormatWord[2] = {0, 0};
    // Attribute values set in memory, by field index.
    std::unique_ptr<TGIS_VariantList> Values;
    TGIS_Extent RTreeExtent{0, 0, 0, 0};

protected:
    TGIS_Shape(uint8_t shapeType, TGIS_Shape* source, const uint8_t* geometry, size_t size, bool mapped,
               int32_t uid, TGIS_LayerVector* layer);

    // Room for one more point or part entry in an owned buffer.
    void EnsureRoom();
    // Counts and the stored extent. The setters need an owned buffer.
    void SetNumPoints(int32_t n);
    void SetNumParts(int32_t n);
    void SetStoredExtent(const TGIS_Extent& e);
    // Reads and writes at a byte offset of the buffer, unaligned.
    double ReadDouble(size_t offset) const;
    int32_t ReadInt(size_t offset) const;
    TGIS_Point ReadPoint(size_t offset) const;
    void WriteDouble(size_t offset, double v);
    void WriteInt(size_t offset, int32_t v);
    void WritePoint(size_t offset, const TGIS_Point& p);
    // An owned buffer of `size` bytes in use, by the capacity rule; the bytes are not initialised.
    void AllocateGeometry(size_t size);
    // Byte offset of point `index` of the whole point block.
    size_t PointOffset(int32_t index) const;
    // The first byte of the points of an arc's or polygon's part, and how many there are.
    const uint8_t* PartPoints(int part, int32_t& count) const {
        // One part, as nearly every ring of a map has: the header (the extent's 32 bytes, the part and point
        // counts, the parts' starts) gives it at once.
        if (geometry_ && part == 0 && (shapeType_ == gisShapeTypeArc || shapeType_ == gisShapeTypePolygon)) {
            int32_t head[3];
            std::memcpy(head, geometry_ + 32, sizeof head);
            if (head[0] == 1) {
                count = head[1];
                return count > 0 ? geometry_ + 44 + 16 * size_t(head[2]) : nullptr;
            }
        }
        return PartPointsOf(part, count);
    }
    const uint8_t* PartPointsOf(int part, int32_t& count) const;
    // Layer and viewer conversions, by the lock level and whether the viewer has a coordinate system.
    inline bool Projects() const;
    TGIS_Point ToViewer(const TGIS_Point& p) const;
    TGIS_Point ToLayer(const TGIS_Point& p) const;
    // Viewer zoom in pixels per map unit; 0 without a viewer.
    inline double Zoom() const;
    // TwipsToPixels of the viewer; 0 without a viewer or at zoom 0.
    int SizeToPixels(int32_t size) const;
    // The smart size of a style: its field's value as an integer (0 when it does not convert), else `smartSize`.
    int32_t SmartSizeOf(const std::string& field, int32_t smartSize) {
        return field.empty() ? smartSize : SmartSizeOfField(field);
    }
    int32_t SmartSizeOfField(const std::string& field);
    // Bodies of DrawEditOverlay: markers of part 0, or every part as a dotted line with its vertices.
    void DrawPointEditOverlay();
    void DrawPartsEditOverlay();
    // Point and multipoint: the marker's smart size, the area their markers may paint, and the points of part 0
    // that lie on the other shape (equal to a point of its part 0, or on a segment of any of its parts).
    int32_t MarkerMinDrawSize();
    TGIS_Extent MarkerDrawExtent(bool replaceRenderSize);
    TGIS_PointList VertexMeetings(TGIS_Shape* other);
    // The style and what to draw (PrepareDraw, not forced) when the shape can be drawn on the viewer's canvas now;
    // nullptr otherwise.
    TGIS_Shape* BeginDraw(std::unique_ptr<TGIS_Shape>& copy, TGIS_ParamsSectionVector*& params);
    // The brush origin of hatches and bitmaps follows the shape's screen corner, so that fills stay put in a pan.
    void AlignMarkerBrush(TGIS_ParamsMarker& marker);

private:
    uint8_t shapeType_;
    bool mapped_ = false;
    const uint8_t* geometry_ = nullptr;
    std::unique_ptr<uint8_t[]> owned_;
    size_t capacity_ = 0;
};

template <class F> void TGIS_Shape::ForEachPartPoint(int part, const F& f) const {
    int32_t count = 0;
    const uint8_t* at = PartPoints(part, count);
    const bool projects = Projects();
    for (int32_t i = 0; i < count; ++i, at += 16) {
        TGIS_Point p;
        std::memcpy(&p.X, at, 8);
        std::memcpy(&p.Y, at + 8, 8);
        f(projects ? ToViewer(p) : p);
    }
}

class TGIS_ShapePoint : public TGIS_Shape {
public:
    explicit TGIS_ShapePoint(TGIS_Shape* source = nullptr, const uint8_t* geometry = nullptr, size_t size = 0,
                             bool mapped = false, int32_t uid = 0, TGIS_LayerVector* layer = nullptr);

    TGIS_Extent GetExtent() const override;
    TGIS_Extent GetDrawExtent() override;
    void Draw() override;
    void DrawEditOverlay() override;
    int32_t GetMinDrawSize() override;
    std::unique_ptr<TGIS_Shape> CreateCopy() override;
    void Unlock() override;
    void AddPoint(const TGIS_Point& p) override;
    void AddPart() override;
    TGIS_Point GetPoint(int part, int index) override;
    int32_t GetNumPoints() const override;
    int32_t GetNumParts() const override;
    int32_t GetPartSize(int part) const override;
    double DistanceToPart(const TGIS_Point& p, int part, TGIS_Point& nearest, double tolerance) override;
    TGIS_Point Centroid() override;
    bool RelateCircle(const TGIS_Point& centre, uint8_t mode, double radius) override;
    bool RelateExtent(const TGIS_Extent& extent, uint8_t mode) override;
    bool RelateShape(TGIS_Shape* other, uint8_t mode) override;
    bool Intersects(TGIS_Shape* other) override;
    TGIS_PointList RelateShapeEx(TGIS_Shape* other) override;
    std::unique_ptr<TGIS_Shape> Clip(const TGIS_Extent& extent) override;
    std::string ExportWKT() override;
    void ExportWKB(TGIS_Bytes& bytes) override;
};

class TGIS_ShapeMultipoint : public TGIS_Shape {
public:
    explicit TGIS_ShapeMultipoint(TGIS_Shape* source = nullptr, const uint8_t* geometry = nullptr, size_t size = 0,
                                  bool mapped = false, int32_t uid = 0, TGIS_LayerVector* layer = nullptr);

    TGIS_Extent GetDrawExtent() override;
    void Draw() override;
    void DrawEditOverlay() override;
    int32_t GetMinDrawSize() override;
    std::unique_ptr<TGIS_Shape> CreateCopy() override;
    void AddPoint(const TGIS_Point& p) override;
    void AddPart() override;
    TGIS_Point GetPoint(int part, int index) override;
    int32_t GetNumPoints() const override;
    int32_t GetNumParts() const override;
    int32_t GetPartSize(int part) const override;
    double DistanceToPart(const TGIS_Point& p, int part, TGIS_Point& nearest, double tolerance) override;
    TGIS_Point Centroid() override;
    bool RelateCircle(const TGIS_Point& centre, uint8_t mode, double radius) override;
    bool RelateExtent(const TGIS_Extent& extent, uint8_t mode) override;
    bool RelateShape(TGIS_Shape* other, uint8_t mode) override;
    bool Intersects(TGIS_Shape* other) override;
    TGIS_PointList RelateShapeEx(TGIS_Shape* other) override;
    std::unique_ptr<TGIS_Shape> Clip(const TGIS_Extent& extent) override;
    std::string ExportWKT() override;
    void ExportWKB(TGIS_Bytes& bytes) override;
};

class TGIS_ShapeArc : public TGIS_Shape {
public:
    explicit TGIS_ShapeArc(TGIS_Shape* source = nullptr, const uint8_t* geometry = nullptr, size_t size = 0,
                           bool mapped = false, int32_t uid = 0, TGIS_LayerVector* layer = nullptr);

    // A part longer than the viewer's point buffer goes out as consecutive polylines sharing their joints.
    void Draw() override;
    void DrawEditOverlay() override;
    // FOLLOW-aligned labels run along each visible part when the whole view is painted; else the base label.
    void DrawLabel() override;
    int32_t GetMinDrawSize() override;
    std::unique_ptr<TGIS_Shape> CreateCopy() override;
    void AddPoint(const TGIS_Point& p) override;
    double DistanceToPart(const TGIS_Point& p, int part, TGIS_Point& nearest, double tolerance) override;
    TGIS_Point Centroid() override;
    double Length() override;
    bool RelateCircle(const TGIS_Point& centre, uint8_t mode, double radius) override;
    bool RelateExtent(const TGIS_Extent& extent, uint8_t mode) override;
    bool RelateShape(TGIS_Shape* other, uint8_t mode) override;
    bool Intersects(TGIS_Shape* other) override;
    TGIS_PointList RelateShapeEx(TGIS_Shape* other) override;
    std::unique_ptr<TGIS_Shape> Clip(const TGIS_Extent& extent) override;
    std::string ExportWKT() override;
    void ExportWKB(TGIS_Bytes& bytes) override;

    // The point `distance` along the line, moved `offset` to the left of its segment.
    TGIS_Point PointAlongLine(double distance, double offset);
    // P moved `offset` along the left-hand normal of A to B.
    static TGIS_Point OffsetPoint(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p, double offset);
};

class TGIS_ShapePolygon : public TGIS_Shape {
public:
    explicit TGIS_ShapePolygon(TGIS_Shape* source = nullptr, const uint8_t* geometry = nullptr, size_t size = 0,
                               bool mapped = false, int32_t uid = 0, TGIS_LayerVector* layer = nullptr);

    // Rings are filled even-odd, as picking and areas count them; a shape beyond the viewer's buffers is drawn
    // from a buffer of its own size so that holes stay holes.
    void Draw() override;
    void DrawEditOverlay() override;
    int32_t GetMinDrawSize() override;
    std::unique_ptr<TGIS_Shape> CreateCopy() override;
    void AddPoint(const TGIS_Point& p) override;
    // AddPoint without the test against the ring's first point.
    void AddPointInternal(const TGIS_Point& p);
    double DistanceToPart(const TGIS_Point& p, int part, TGIS_Point& nearest, double tolerance) override;
    TGIS_Point Centroid() override;
    TGIS_Point LabelPoint() override;
    double Area() override;
    double Length() override;
    bool RelateCircle(const TGIS_Point& centre, uint8_t mode, double radius) override;
    bool RelateExtent(const TGIS_Extent& extent, uint8_t mode) override;
    bool RelateShape(TGIS_Shape* other, uint8_t mode) override;
    bool Intersects(TGIS_Shape* other) override;
    TGIS_PointList RelateShapeEx(TGIS_Shape* other) override;
    std::unique_ptr<TGIS_Shape> Clip(const TGIS_Extent& extent) override;
    std::string ExportWKT() override;
    void ExportWKB(TGIS_Bytes& bytes) override;
};

// ---- drawing pieces shared by the shapes (GisLayerVectorDraw.cpp) ----
// Marker of `size` pixels (at least 2) centred at `centre`, in the canvas's pen and brush.
void GisDrawMarker(TCanvas& canvas, const TPoint& centre, int size, uint8_t style);
// Canvas presets for handles and edit overlays.
void GisSetHandleStyle(TCanvas& canvas);
void GisSetEditOutlineStyle(TCanvas& canvas);
void GisSetEditVertexStyle(TCanvas& canvas);
void GisSetEditOtherPartStyle(TCanvas& canvas);
void GisSetEditCurrentStyle(TCanvas& canvas);
// FormatLabelText over any source of field values. A value the format does not suit is appended as text.
using TGIS_FieldLookup = std::function<Variant(const std::string& name)>;
std::string GisFormatLabelText(const std::string& templ, const TGIS_FieldLookup& field);
std::string GisFormatLabelValue(const Variant& value, const std::string& format);
// Line, area and marker made plain for highlighting: solid, without bitmap or symbol; their colours and outline
// colours as the two functions give them from the feature's own.
using TGIS_ColorMap = std::function<uint32_t(uint32_t color)>;
void GisPlainStyle(TGIS_ParamsSectionVector& style, const TGIS_ColorMap& color, const TGIS_ColorMap& outline);

// ---- free geometry routines (GisLayerVectorGeometry.cpp) ----
// All four bounds inclusive.
bool GisIsPointInPolygon(const TGIS_Point& p, TGIS_Shape* shape);
bool GisIsPointInExtent(const TGIS_Point& p, const TGIS_Extent& e);
// Segments P1-P2 and Q1-Q2; parallel ones never meet, touching end points do.
bool GisSegmentsIntersect(const TGIS_Point& p1, const TGIS_Point& p2, const TGIS_Point& q1, const TGIS_Point& q2);
// The crossing is written only when the result is true.
bool GisSegmentsIntersection(const TGIS_Point& p1, const TGIS_Point& p2, const TGIS_Point& q1,
                             const TGIS_Point& q2, TGIS_Point& crossing);
// Copies count bytes and advances the cursor; raises when fewer than count bytes are left before `end`.
void GisWkbRead(const uint8_t*& cursor, const uint8_t* end, void* destination, size_t count);
void GisWkbWrite(uint8_t*& cursor, const void* source, size_t count);
// Even-odd test against one ring of n points (closing point optional).
bool GisIsPointInRing(const TGIS_Point& p, const TGIS_Point* ring, size_t n);
// Relation walks shared by the arc and the polygon. Boundaries count as within.
bool GisRelateVerticesCircle(TGIS_Shape* shape, const TGIS_Point& centre, uint8_t mode, double radius);
bool GisVerticesInExtent(TGIS_Shape* shape, const TGIS_Extent& extent, bool all);
bool GisSegmentsCrossExtent(TGIS_Shape* shape, const TGIS_Extent& extent);
// Mode 2 leaves `decided` false when neither a vertex nor a segment touches the extent.
bool GisRelateExtentCommon(TGIS_Shape* shape, const TGIS_Extent& extent, uint8_t mode, bool& decided);
// Some segment of the shape meets some segment of the other's first part.
bool GisSegmentsMeetFirstPart(TGIS_Shape* shape, TGIS_Shape* other);
bool GisRelateShapeCommon(TGIS_Shape* shape, TGIS_Shape* other, uint8_t mode);
// The nearest point of a part to p when nearer than `best` (a part of one point: that point, whatever `best`);
// the earliest segment wins a tie. Returns the distance, else `best` with `nearest` untouched.
double GisNearestOnPart(TGIS_Shape* shape, const TGIS_Point& p, int part, double best, TGIS_Point& nearest);
// Points of the other's first part on the shape's segments, or crossings of both shapes' segments.
TGIS_PointList GisShapeCrossings(TGIS_Shape* shape, TGIS_Shape* other);

// Shape types as bits of TGIS_LayerVector::SupportedShapeTypes.
constexpr uint32_t GisShapeTypeBit(uint8_t type) { return 1u << type; }
constexpr uint32_t GIS_ALL_SHAPE_TYPES = (1u << gisShapeTypePoint) | (1u << gisShapeTypeMultipoint) |
                                         (1u << gisShapeTypeArc) | (1u << gisShapeTypePolygon);

// A table joined to a layer's shapes, from outside the system; walked forward only, sorted by the foreign key.
class TGIS_JoinTable {
public:
    virtual ~TGIS_JoinTable() = default;
    virtual void Rewind() = 0;
    virtual void Next() = 0;
    virtual bool Eof() = 0;
    // An empty value for a column that is not there.
    virtual Variant Value(const std::string& column) = 0;
};

// Per-shape paint hooks, used instead of the shape's own drawing.
using TGIS_ShapePaintEvent = std::function<void(TGIS_Viewer& viewer, TGIS_Shape& shape)>;

class TGIS_LayerVector : public TGIS_LayerAbstract {
public:
    TGIS_LayerVector();
    ~TGIS_LayerVector() override;

    // ---- inherited slots ----
    // Empties shapes and fields and accepts every shape type.
    void Open(TGIS_Viewer* viewer) override;
    void AfterOpen(TGIS_Viewer* viewer) override;
    void ReadConfigOptions(TGIS_Ini& ini) override;
    void WriteConfigOptions(TGIS_Ini& ini) override;
    void RevertAll() override;
    bool MustSave() override;
    void RecalcExtent() override;
    // Builds (from the file, else by a full scan) or drops the index; an OnBusy abort drops it.
    void PrepareRTree(bool build) override;

    // ---- own slots ----
    // Empty in memory; a format layer's path + ".rtree".
    virtual std::string GetRTreePath();
    bool HasRTree() const { return RTree != nullptr; }
    virtual void MoveFirst();
    virtual void MoveNext();
    virtual bool Eof();
    virtual TGIS_Shape* GetCurrentShape();
    // Binary search; not found gives false and the insertion position.
    virtual bool FindShapeIndex(int32_t uid, int& index);
    // A value from the layer's files; nothing in memory.
    virtual Variant GetFileField(int32_t uid, const std::string& fileField);
    // The value of a field added in memory for a shape that has not set it, from a table the layer keeps beside
    // its shapes; nothing here.
    virtual Variant GetTableField(int32_t uid, int index);
    virtual bool MatchesFilter();
    virtual void CreateEmpty(const std::string& path, const TGIS_Extent& extent, uint8_t shapeType);
    virtual void AddFieldsFrom(TGIS_LayerVector& layer);
    virtual void WriteFromLayer(TGIS_LayerVector& layer, const std::string& path, const TGIS_Extent& extent,
                                uint8_t shapeType, const std::string& query, bool clip);
    virtual void SetFilter(const TGIS_Extent& extent, const std::string& query);
    virtual void SetSkipDeleted(bool skip) { SkipDeleted = skip; }
    virtual void ScanFirst();
    virtual void ScanNext();
    virtual bool ScanEof();
    virtual TGIS_Shape* ScanCurrent();
    // True while the scan walks Shapes by this class's own steps (ScanNext, ScanEof, ScanCurrent, MatchesFilter,
    // MoveNext, Eof, GetCurrentShape): a find may then take them without a virtual call per step. False where a
    // subclass scans its own way.
    virtual bool ScansShapes() const { return true; }
    virtual TGIS_Shape* GetShape(int32_t uid);
    virtual int32_t GetLastUid();
    virtual int32_t GetNewUid();
    virtual Variant GetField(int32_t uid, const std::string& name);
    virtual void DeleteShape(int32_t uid);
    virtual void RevertShape(int32_t uid);
    virtual void DeselectShape(int32_t uid);
    virtual void DeselectAll();
    // Case-insensitive, deleted fields included; -1 when none.
    virtual int FindField(const std::string& name) const;
    virtual int FindFieldOriginal(const std::string& name) const;
    virtual void AddField(const std::string& name, uint8_t type, int32_t width, int32_t decimals);
    virtual void AddFieldInternal(const std::string& name, uint8_t type, int32_t width, int32_t decimals,
                                  int32_t binaryWidth);
    // AddFieldInternal without its test, for a reader that has made sure the name is new: the test compares the
    // name with every field, which for thousands of long names takes seconds.
    void AppendFileField(const std::string& name, uint8_t type, int32_t width, int32_t decimals,
                         int32_t binaryWidth);
    virtual void ModifyField(const std::string& name, const std::string& newName, int32_t width,
                             int32_t decimals);
    virtual void DeleteField(const std::string& name);
    // Nullptr outside 0 .. count - 1.
    virtual TGIS_FieldInfo* FieldInfo(int index);
    virtual void PrepareExportNames(int maxWidth);

    // ---- shapes ----
    // 0 takes the default type; an unsupported type gives nullptr. The layer keeps the shape.
    TGIS_Shape* CreateShape(uint8_t shapeType);
    uint8_t GetDefaultShapeType() const;
    // Overlap with the extent (and, in a paint pass, the minimum drawing size).
    bool IsShapeVisible(TGIS_Shape* shape, const TGIS_Extent& extent);
    // The in-memory version of a shape read from a file, when the layer holds one.
    TGIS_Shape* FindEditedShape(TGIS_Shape* fileShape);
    TGIS_ParamsSectionVector* GetParams();
    // The search painting, Locate and the writers use; `extent` in viewer coordinates, an empty query takes the
    // filter's. A small extent walks the R-tree, a large one scans (which tests FilterExtent, not `extent`).
    TGIS_Shape* FindFirst(const TGIS_Extent& extent, const std::string& query = "");
    // Nullptr at the end.
    TGIS_Shape* FindNext();
    // The shape nearest to p within the tolerance (nullptr when none), over every part of every shape found.
    TGIS_Shape* LocateEx(const TGIS_Point& p, double tolerance, int32_t excludeUid, double& distance, int& part,
                         TGIS_Point& nearest) override;
    TGIS_Shape* Locate(const TGIS_Point& p, double tolerance, double& distance, int& part, TGIS_Point& nearest);
    // Called before each label position is tried; the hook may move the box. With it, labels of lines never
    // follow the line: they are placed in boxes.
    std::function<void(TGIS_Viewer* viewer, TGIS_Shape* shape, TRect& box, int position)> OnLabelBox;
    void SetJoinPrimary(const std::string& name);
    void SetJoinForeign(const std::string& name);

    // ---- paint passes (GisLayerVectorPaint.cpp); none runs unless the viewer's zoom is above 0 ----
    void Paint() override;
    void PaintShapes() override;
    void PaintEditor() override;
    void PaintLabels() override;
    void PaintCharts() override;
    void DrawLabels() override;
    void DrawCharts() override;
    // A temporary copy of the shape's style with the render section's colour and size in place of the RENDER
    // markers, given to the shape until RestoreRenderParams; nullptr without a render expression.
    TGIS_ParamsSectionVector* PrepareRenderParams(TGIS_Shape* shape);
    void RestoreRenderParams(TGIS_Shape* shape);
    TGIS_ShapePaintEvent OnPaintShape, OnPaintLabel, OnPaintChart;
    // The style name whose sections paint the shapes; empty for the default ones.
    std::string ParamsStyle;

    // In memory, ascending by uid; owned.
    std::vector<std::unique_ptr<TGIS_Shape>> Shapes;
    std::vector<std::unique_ptr<TGIS_FieldInfo>> Fields;
    std::string JoinPrimary, JoinForeign;
    bool JoinActive = false;
    // Assigned by the application; texts in the layer's code page.
    std::shared_ptr<TGIS_JoinTable> JoinTable;
    TGIS_Shape* CurrentShape = nullptr;
    bool HasLabels = true, HasCharts = true;
    int32_t Cursor = 0;
    std::unique_ptr<TGIS_SqlQuery> Query;
    bool RTreeWanted = false;
    std::unique_ptr<TGIS_RTree> RTree;
    // Set when the index no longer matches the shapes: the next upkeep rebuilds it.
    bool RTreeStale = false;
    uint32_t SupportedShapeTypes = 0;
    bool StructureModified = false;
    TGIS_Extent FilterExtent = GisFullExtent();
    std::string FilterQuery;
    bool SkipDeleted = false;
    std::unique_ptr<TGIS_ParamsSectionVector> SelectedParams;
    // Extent of the current find, in layer coordinates.
    TGIS_Extent FindExtent = GisFullExtent();
    bool UseRTreeForFind = false;
    // Set by the paint passes: only they apply the minimum drawing size and end walks when the view changes.
    bool InPaint = false;

protected:
    // The filter query holds for the current shape.
    bool QueryMatches(TGIS_Shape* shape);
    // Scan filter without the query: not skipped as deleted and visible in FilterExtent.
    bool ScanAccepts(TGIS_Shape* shape);
    // A find's candidate passes: present, not deleted, and true for the find's query when it has one.
    bool FindAccepts(TGIS_Shape* shape) {
        return shape && !shape->Deleted && (!FindHasQuery || FindQueryAccepts(*shape));
    }
    bool FindQueryAccepts(TGIS_Shape& shape);
    // MatchesFilter of a shape the scan stands on.
    bool ShapeMatches(TGIS_Shape* shape) { return shape && IsShapeVisible(shape, FilterExtent) && QueryMatches(shape); }
    // The first accepted hit from R-tree id `id` on, or from the scan's current shape on; nullptr at the end.
    TGIS_Shape* TreeHit(int32_t id);
    TGIS_Shape* ScanHit();
    // ScanNext followed by ScanHit, for a layer that ScansShapes.
    TGIS_Shape* NextShape();
    // The find's own query: the scan's Query is prepared again by every ScanFirst with the filter's text.
    std::unique_ptr<TGIS_SqlQuery> FindQuery;
    bool FindHasQuery = false;
    // Sections styling a shape about to be freed let go of it (nullptr: of any shape).
    void ForgetShape(TGIS_Shape* shape);
    // For layers over files: the uid of the last shape a full scan meets, deleted ones included; 0 for none.
    // Leaves the filter cleared and deleted shapes unskipped.
    int32_t ScanLastUid();

private:
    // The layer's hook when one is set, else the default pass; neither without a zoom above 0.
    void RunPass(const TGIS_LayerPaintHook& hook, void (TGIS_LayerVector::*pass)());
    // The labels or charts pass: `wanted` (forced on for printing) or the hook lets it run and is cleared by it;
    // shapes go to the hook, else to `draw` when their style makes them `visible`.
    void DrawPerShape(bool& wanted, const TGIS_ShapePaintEvent& hook, bool (*visible)(TGIS_ParamsSectionVector&),
                      void (TGIS_Shape::*draw)());
    // SelectedParams from the "selected" sections, else from section 0 in plain highlight colours.
    void PrepareSelectedParams();
    // Makes current the last active section that takes the shape; false when none does or it is hidden.
    bool SelectSectionFor(TGIS_Shape& shape);
    // The find over the device's clip extent shared by the passes; `each` sees every shape whose section is
    // visible, the shape being edited excepted when `skipEdited`, until the view changes or it answers false.
    template <class Each> void WalkPaint(bool skipEdited, const Each& each);
    // The shape's own style while a render copy stands in for it.
    std::unique_ptr<TGIS_ParamsSectionVector> renderSaved_;
    TGIS_Shape* renderShape_ = nullptr;
};

// Asked of every shape in view, several times a pass.
inline TGIS_Viewer* TGIS_Shape::GetViewer() const { return Layer ? Layer->Viewer : nullptr; }

inline double TGIS_Shape::Zoom() const {
    TGIS_Viewer* v = GetViewer();
    return v ? v->Zoom() : 0;
}

inline bool TGIS_Shape::Projects() const {
    return LockLevel < 2 && Layer && Layer->Viewer && Layer->Viewer->Projection();
}

// Every pass asks this of every shape, more than once.
inline TGIS_ParamsSectionVector* TGIS_Shape::GetParams() {
    TGIS_ParamsSectionVector* p = OwnParams();
    if (!p && Layer)
        p = Selected && Layer->SelectedParams ? Layer->SelectedParams.get()
                                              : static_cast<TGIS_ParamsSectionVector*>(Layer->Params);
    if (p) p->SetShape(this);
    return p;
}
