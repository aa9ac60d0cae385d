// Scene: a loaded world. It holds the root group, the bound and default
// bindable nodes with the viewpoint-transition state, the camera, the per-frame
// render lists, the vertex and shade arrays the rasterizer reads, the clock,
// the world's name and the frame rate.
//
// The nodes belong to the node registry, not to the Scene: its teardown only
// releases its own arrays and drops its pointers (the three default nodes stay
// in the registry with the rest).
//
// Members are public and kept in their documented order. The operations are
// grouped below by the file that holds them: the container and binding here
// in scene/, the frame, camera, lighting and drawing in render/ (which this
// folder never calls). The world is read into a Scene by loadWorld
// (vrml/load_world.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "raster/raster_types.h"
#include "scene/full_light_record.h"
#include "scene/render_record.h"
#include "scene/factory.h"
#include "scene/frame_clock.h"
#include "scene/profile.h"
#include "base/simple_array.h"
#include "base/values.h"

class Rasterizer;
struct BitmapFont;
class X3DNode;
class fMFNode;
class nViewpoint;
class nNavigationInfo;
class nBackground;
class nDirectionalLight;
class nIndexedFaceSet;
class nShape;
class nAppearance;
struct MeshForm;

class Scene {
public:
    static constexpr int32_t kInitialVertexCapacity = 1000;
    static constexpr int32_t kInitialShadeCapacity = 1000;

    // ===== The world container: scene/scene.cpp =====

    // Empty lists and names, nothing bound, the three default nodes made by
    // the factory (Viewpoint, NavigationInfo, Background, each named
    // "default"), the vertex and shade arrays allocated for 1000 entries,
    // lighting off.
    explicit Scene(NodeFactory factory);
    // Releases the arrays and drops the node pointers (the registry owns the
    // nodes).
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // baseDirectory = the name up to and including its last "/", fileName =
    // the rest (no "/": empty base directory, the whole name).
    void setWorldName(const std::u16string& name);
    // prepare(this) on every node of the registry in order, the count read
    // afresh after each call.
    void initNodes();
    // Records the rasterizer (not owned) and takes the screen size of its
    // target: width, height and their integer halves, as floats.
    void attachRasterizer(Rasterizer* rasterizer);

    // ===== Binding: scene/binding.cpp =====

    // Records the root (a Group) and binds the first Viewpoint, NavigationInfo
    // and Background in depth-first file order, the defaults where none.
    void setRoot(X3DNode* root);
    void bindFirst(const fMFNode& list);
    // Makes a bindable node the bound one of its kind; the node that loses the
    // binding gets "isBound" FALSE.
    void bind(X3DNode* node);
    // The first sky colour of the bound Background; black without one.
    Color4f backgroundColor() const;
    // Follows the innermost Anchor above the picked node: a url "#name" binds
    // every Viewpoint DEF'd as name, in registry order; any other url is
    // logged and otherwise ignored. Nothing happens for a null pick or a node
    // under no Anchor.
    void activateAnchor(X3DNode* picked);

    // ===== The frame: render/frame.cpp =====

    // Sets the clock to the time, starts every sensor of the registry and
    // restarts the frame-rate count at the tick count (milliseconds).
    void startClock(double seconds, uint32_t tickCount);
    // One frame at the time (seconds; the tick count in milliseconds measures
    // the frame rate): anchors, sensors, camera, then drawWorld and the
    // frame-rate count.
    void updateAndDraw(double seconds, uint32_t tickCount);

    // ===== Picking: render/pick.cpp =====

    // The ray from the eye through frame-buffer pixel (x, y), cast among the
    // shapes of the last frame; no hit outside the frame buffer.
    PickResult pick(int32_t x, int32_t y);
    // The nearest triangle (front or back) of an IndexedFaceSet or a MeshForm
    // (lines and points are never hit) among the last
    // frame's render records along the ray from origin in direction (any
    // length but zero), both in world coordinates when inWorld, else in
    // camera coordinates. Every record counts, seen on screen or not. A mesh
    // with a point that is not finite, or whose points cannot be transformed
    // for want of memory, is not hit; faces naming points that do not exist
    // are skipped. Only records whose `rays` share a bit with `rays` count
    // (the stylus asks kPointerRays, navigation kNavigationRays).
    PickResult rayCast(const Vec3f& origin, const Vec3f& direction, bool inWorld, uint8_t rays = kAllRays);

    // ===== Camera: render/camera.cpp =====

    // nearDistance = half the bound NavigationInfo's first avatarSize (at
    // least 1e-5; 0.125 when the list is empty), farDistance = its
    // visibilityLimit (100000 when below 1e-5).
    void setNearFar();
    // viewMatrix and focalLength of this frame: the bound Viewpoint's view, or
    // during the second after a binding without "jump" the interpolation from
    // the previous Viewpoint's. A field of view outside (0, pi) counts as
    // 0.785398. Always finite.
    void setupView();
    // The clip code of the point under the matrix: exactly kOutNear when it is
    // not in front of the near plane, else the screen and far bits.
    int32_t pointOutcode(const Matrix& matrix, const Vec3f& point) const;
    // False only when all eight corners of the box share a clip bit (nothing
    // of it can be seen); a size of exactly (-1, -1, -1) is always visible.
    bool boxVisible(const Matrix& matrix, const Vec3f& centre, const Vec3f& size) const;
    // Transforms and projects the points into rasterVertices; false when every
    // vertex lies outside one and the same clip boundary (or there are none, or
    // the array cannot be had).
    bool transformVertices(const Matrix& matrix, const SimpleArray<Vec3f>& points);

    // ===== Lighting: render/lighting.cpp =====

    // Appends the light (direction normalized, then turned by the rotation
    // matrix) unless four scene lights are already collected, it is off, or
    // its direction or intensity is not finite.
    void collectLight(const nDirectionalLight& light, const Matrix& normalMatrix);
    // Fills shades for the normals; false when the array cannot be had.
    bool lightNormals(const Matrix& normalMatrix, const SimpleArray<Vec3f>& normals, bool twoSided);

    // ===== Traversal and drawing: render/traversal.cpp =====

    // The render lists rebuilt from the root, the headlight added, every
    // opaque record and then every other record drawn through the rasterizer
    // (when one is attached).
    void drawWorld();
    // Visits a Transform, Group or Anchor at nesting depth `depth` whose
    // enclosing matrices are given: lights and shapes among its children are
    // collected, grouping children visited. Culled by its box; nothing deeper
    // than kMaxGraphDepth or beyond the frame's visit budget is visited.
    void traverseGroup(X3DNode* node, const Matrix& full, const Matrix& rotation, int32_t depth);
    // Builds currentSurface from the shape's appearance and records it. In
    // the full profile a shape without a material is unlit, opaque and white.
    void collectShape(nShape& shape, const Matrix& full, const Matrix& rotation);
    // Takes the material's colours and transparency and the texture's loaded
    // entry into currentSurface. In the full profile a material is lit
    // whenever lighting is on, whatever its diffuse colour.
    void applyAppearance(const nAppearance& appearance);
    // Appends the record, then its index to the opaque or transparent list
    // when its box may be seen.
    void recordShape(X3DNode* geometry, const Matrix& full, const Matrix& rotation, nShape* shape);
    // Transforms, lights and draws one IndexedFaceSet record, or one record
    // of geometry drawn through a MeshForm; draws nothing when the mesh has
    // no Coordinate node, lies outside the view or an array it needs cannot
    // be had. IndexedLineSet and PointSet records are drawn as one-pixel
    // lines and points (render/line_draw.cpp); other geometry is not drawn.
    void drawRecord(const RenderRecord& record);

    // ===== The full profile's faces: render/mesh_draw.cpp =====

    // Transforms, lights and draws a MeshForm with the record's matrices and
    // surface; a lit surface on a form without normals is drawn unlit in its
    // diffuse colour. In the full profile through drawFullFaces (its lighting
    // and per-corner colours, render/full_lighting.h). Draws nothing outside
    // the view or when an array cannot be had.
    void drawMeshForm(const RenderRecord& record, const MeshForm& mesh);

    // ===== The full profile's grouping nodes: render/full_grouping.cpp =====

    // For a grouping node that is not a Transform, Group or Anchor (the full
    // profile's): turns the matrices for a Billboard and narrows the children
    // to visit, [first, end), to the chosen choice of a Switch or level of a
    // LOD. False when nothing below the node is to be visited (a Switch
    // choosing none, a node of no grouping kind the frame knows).
    bool fullGroupFrame(X3DNode& node, Matrix& full, Matrix& rotation, int32_t& first, int32_t& end);
    // After a Collision's children were visited (their records from
    // `firstRecord` on): takes them out of navigation's rays when "collide"
    // is FALSE or a proxy stands in for them, then records the proxy's shapes
    // for navigation's rays alone (never drawn, never picked).
    void finishCollision(X3DNode& node, int32_t firstRecord, const Matrix& full, const Matrix& rotation,
                         int32_t depth);

    // ===== Framing: render/framing.cpp =====

    // The box, in world coordinates, around every geometry the first frame
    // would draw (each one's bounds() through its Transforms; Switch choices
    // as chosen, the first level of a LOD, Billboards unturned, no proxy);
    // false when there is none. Bounded in depth and visits like the frame.
    bool worldBounds(Vec3f& centre, Vec3f& size);
    // For a world whose bound Viewpoint is the default one: moves that
    // Viewpoint back along +Z, looking down -Z, until the world's box fills
    // the view (its front face spans the smaller screen extent at the
    // default field of view), and, when the NavigationInfo too is the
    // default one, scales its avatar size, speed and visibility limit with
    // the box. Nothing for a world with a Viewpoint or an empty box. Called
    // by startClock in the full profile.
    void frameWorld();

    // ===== The full profile's textures: render/full_textures.cpp =====

    // The texture points of a record's draw: moved by the TextureTransform
    // of its shape's appearance into texPointScratch, or the points as given
    // (untextured surface, no transform, no storage).
    std::span<const Vec2f> shapeTexturePoints(const RenderRecord& record, std::span<const Vec2f> points);

    // --- members, in record order ---

    Rasterizer* rasterizer = nullptr;  // not owned
    BitmapFont* font = nullptr;        // not owned
    X3DNode* root = nullptr;           // not owned: the "SCENEGRAPH" group
    nViewpoint* boundViewpoint = nullptr;            // not owned
    nViewpoint* previousViewpoint = nullptr;         // not owned: start of a transition
    bool bindJump = false;                           // "jump" of the Viewpoint bound last
    double transitionStart = 0.0;                    // frame time of that binding
    nViewpoint* defaultViewpoint = nullptr;          // in the registry
    nNavigationInfo* boundNavigationInfo = nullptr;  // not owned
    nNavigationInfo* defaultNavigationInfo = nullptr;
    nBackground* boundBackground = nullptr;  // not owned
    nBackground* defaultBackground = nullptr;

    // camera
    float screenWidth = 0.0f, screenHeight = 0.0f;
    float screenHalfWidth = 0.0f, screenHalfHeight = 0.0f;
    float nearDistance = 0.125f;
    float farDistance = 100000.0f;
    float focalLength = 0.0f;  // negative
    Matrix viewMatrix;

    // render lists, rebuilt every frame (storage kept)
    SurfaceState currentSurface;
    SimpleArray<RenderRecord> renderRecords;
    SimpleArray<int32_t> opaqueList;       // indexes into renderRecords
    SimpleArray<int32_t> transparentList;  // indexes into renderRecords
    SimpleArray<LightRecord> lights;
    int32_t traversalBudget = 0;  // nodes the traversal may still visit this frame

    // the mesh being drawn
    std::unique_ptr<RasterVertex[]> rasterVertices;
    int32_t rasterVertexCapacity = 0;
    std::unique_ptr<ShadeEntry[]> shades;
    int32_t shadeCapacity = 0;

    FrameClock frameClock;
    std::u16string baseDirectory;
    std::u16string fileName;
    int32_t fpsTick = 0;
    int32_t fpsFrames = 0;
    int32_t fps = 0;
    bool lighting = false;

    // --- diagnostics, after the record ---
    // Whether the traversal's depth bound and its visit budget have been hit
    // (and said in the log, once each per world).
    bool depthLimitReported = false;
    bool visitLimitReported = false;

    // The node set the world was read with (set by loadWorld).
    Profile profile = Profile::Core;

    // --- the full profile's working state; unused by the core profile ---
    // The lights of the frame and the arrays of the shape being lit
    // (render/full_lighting.cpp).
    FullLighting fullLighting;
    SimpleArray<Vec2f> texPointScratch;  // texture points moved by a TextureTransform
    SimpleArray<Vec2f> defaultTexPoints;  // those of a textured IndexedFaceSet without its own
};
