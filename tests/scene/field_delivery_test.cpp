// Delivery along routes: order, counts, which classes carry values, and the
// two safety rules (no re-entry into a delivering field, no delivery between
// classes).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scene/field_codes.h"
#include "scene/fields.h"
#include "scene_test_support.h"

namespace {

// One recording node per field, so the journal shows whose owner was told.
struct Bench {
    Journal journal;
    std::vector<std::unique_ptr<RecordingNode>> nodes;

    RecordingNode* node() {
        nodes.push_back(std::make_unique<RecordingNode>(&journal));
        return nodes.back().get();
    }
};

void route(X3DField& from, X3DField& to) { ASSERT_TRUE(from.routes.append(&to)); }

TEST(FieldDelivery, EmptyRouteListAndDuplicatedRoutes) {
    Bench bench;
    fSFFloat lone(bench.node(), FieldCode::speed, 1.0f);
    lone.propagate();
    EXPECT_TRUE(bench.journal.empty());
    lone.setValue(2.5f);
    EXPECT_EQ(bench.journal, Journal({&lone}));  // only its own owner

    bench.journal.clear();
    fSFFloat source(bench.node(), FieldCode::speed, 0.0f);
    fSFFloat target(bench.node(), FieldCode::speed, 0.0f);
    route(source, target);
    route(source, target);
    source.setValue(7.0f);
    EXPECT_EQ(target.value, 7.0f);
    EXPECT_EQ(bench.journal, Journal({&source, &target, &target}));
}

TEST(FieldDelivery, ChainAndFanOutAreDepthFirstInRouteOrder) {
    Bench bench;
    fSFVec3f f1(bench.node(), FieldCode::translation);
    fSFVec3f f2(bench.node(), FieldCode::translation);
    fSFVec3f f3(bench.node(), FieldCode::translation);
    route(f1, f2);
    route(f2, f3);
    f1.setValue(Vec3f{1.0f, -2.0f, 3.5f});
    EXPECT_EQ(bench.journal, Journal({&f1, &f2, &f3}));
    EXPECT_EQ(f3.value.x, 1.0f);
    EXPECT_EQ(f3.value.y, -2.0f);
    EXPECT_EQ(f3.value.z, 3.5f);
    EXPECT_EQ(f2.value.z, 3.5f);

    Bench fan;
    fSFTime g1(fan.node(), FieldCode::startTime, 0.0);
    fSFTime g2(fan.node(), FieldCode::startTime, 0.0);
    fSFTime g3(fan.node(), FieldCode::startTime, 0.0);
    fSFTime g4(fan.node(), FieldCode::startTime, 0.0);
    route(g1, g2);
    route(g1, g3);
    route(g2, g4);
    g1.setValue(123.456789012345);
    EXPECT_EQ(fan.journal, Journal({&g1, &g2, &g4, &g3}));
    EXPECT_EQ(g4.value, 123.456789012345);  // the whole double travels
    EXPECT_EQ(g3.value, 123.456789012345);

    // propagate alone resends the current value without telling the sender.
    fan.journal.clear();
    g2.value = 5.0;
    g1.value = 9.0;
    g1.propagate();
    EXPECT_EQ(fan.journal, Journal({&g2, &g4, &g3}));
    EXPECT_EQ(g4.value, 9.0);
}

TEST(FieldDelivery, EverySingleValuedCarrierCopiesItsWholeValue) {
    Bench bench;
    fSFBool b1(bench.node(), FieldCode::on, false), b2(bench.node(), FieldCode::on, false);
    fSFRotation r1(bench.node(), FieldCode::rotation), r2(bench.node(), FieldCode::rotation);
    fSFColor c1(bench.node(), FieldCode::color), c2(bench.node(), FieldCode::color);
    route(b1, b2);
    route(r1, r2);
    route(c1, c2);
    b1.setValue(true);
    r1.setValue(Rotation{0.5f, 0.25f, -1.0f, 3.0f});
    EXPECT_TRUE(b2.value);
    EXPECT_EQ(r2.value.x, 0.5f);
    EXPECT_EQ(r2.value.y, 0.25f);
    EXPECT_EQ(r2.value.z, -1.0f);
    EXPECT_EQ(r2.value.angle, 3.0f);

    // Colours: the fourth component is 0 unless copied from another colour,
    // and setValue and delivery both carry all four.
    EXPECT_EQ(c1.value.a, 0.0f);
    c1.setValue(Color4f{0.1f, 0.2f, 0.3f, 0.75f});
    EXPECT_EQ(c1.value.a, 0.75f);
    EXPECT_EQ(c2.value.r, 0.1f);
    EXPECT_EQ(c2.value.g, 0.2f);
    EXPECT_EQ(c2.value.b, 0.3f);
    EXPECT_EQ(c2.value.a, 0.75f);
    EXPECT_EQ(bench.journal, Journal({&b1, &b2, &r1, &r2, &c1, &c2}));
}

bool same(const Color4f& a, const Color4f& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }
bool same(const Rotation& a, const Rotation& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.angle == b.angle;
}
bool same(const Vec2f& a, const Vec2f& b) { return a.x == b.x && a.y == b.y; }
template <class T>
bool same(const T& a, const T& b) {
    return a == b;
}
template <class T>
bool same(const SimpleArray<T>& a, const SimpleArray<T>& b) {
    if (a.count != b.count) return false;
    for (int32_t i = 0; i < a.count; ++i) {
        if (!same(a[i], b[i])) return false;
    }
    return true;
}

// Routes a source on to a destination and a further field of the same class,
// propagates, and expects the destination to keep its own value and nobody to
// be told. fill(field, k) gives a field the k-th of two distinct values.
template <class Field, class Fill>
void expectNoDelivery(const char* label, Fill fill) {
    SCOPED_TRACE(label);
    Bench bench;
    Field source(bench.node(), FieldCode::url);
    Field target(bench.node(), FieldCode::url);
    Field further(bench.node(), FieldCode::url);
    Field reference(bench.node(), FieldCode::url);
    fill(source, 0);
    fill(target, 1);
    fill(reference, 1);
    route(source, target);
    route(target, further);
    source.propagate();
    EXPECT_TRUE(bench.journal.empty());
    EXPECT_TRUE(same(target.value, reference.value));
    EXPECT_FALSE(same(target.value, source.value));
}

TEST(FieldDelivery, NineClassesNeverDeliver) {
    expectNoDelivery<fMFColor>("MFColor", [](fMFColor& f, int k) { f.value.append(Color4f{float(k), 0, 0, 0}); });
    expectNoDelivery<fMFFloat>("MFFloat", [](fMFFloat& f, int k) { f.value.append(float(k)); });
    expectNoDelivery<fMFInt32>("MFInt32", [](fMFInt32& f, int k) { f.value.append(k); });
    expectNoDelivery<fMFRotation>("MFRotation",
                                  [](fMFRotation& f, int k) { f.value.append(Rotation{0, 1, 0, float(k)}); });
    expectNoDelivery<fMFVec2f>("MFVec2f", [](fMFVec2f& f, int k) { f.value.append(Vec2f{float(k), 0}); });
    expectNoDelivery<fSFString>("SFString", [](fSFString& f, int k) { f.value = k == 0 ? u"source" : u"target"; });
    Journal scratch;
    RecordingNode one(&scratch), two(&scratch);
    X3DNode* pick[2] = {&one, &two};
    expectNoDelivery<fSFNode>("SFNode", [&](fSFNode& f, int k) { f.value = pick[k]; });
    expectNoDelivery<fMFNode>("MFNode", [&](fMFNode& f, int k) { f.value.append(pick[k]); });
    expectNoDelivery<fMFString>("MFString", [](fMFString& f, int k) { f.value.append(k == 0 ? u"a" : u"b"); });
}

TEST(FieldDelivery, PointListsNotifyWithoutCopying) {
    Bench bench;
    fMFVec3f source(bench.node(), FieldCode::point);
    fMFVec3f target(bench.node(), FieldCode::point);
    fMFVec3f further(bench.node(), FieldCode::point);
    source.value.append(Vec3f{1, 1, 1});
    source.value.append(Vec3f{2, 2, 2});
    target.value.append(Vec3f{7, 8, 9});
    route(source, target);
    route(target, further);
    source.propagate();
    EXPECT_EQ(bench.journal, Journal({&target, &further}));
    ASSERT_EQ(target.value.count, 1);
    EXPECT_EQ(target.value[0].x, 7.0f);
    EXPECT_EQ(target.value[0].z, 9.0f);
    EXPECT_EQ(further.value.count, 0);
}

TEST(FieldDelivery, RoutesAddedDuringDeliveryAreServed) {
    Bench bench;
    fSFFloat source(bench.node(), FieldCode::speed, 0.0f);
    RecordingNode* reactor = bench.node();
    fSFFloat first(reactor, FieldCode::speed, 0.0f);
    std::vector<std::unique_ptr<fSFFloat>> late;
    for (int i = 0; i < 40; ++i) late.push_back(std::make_unique<fSFFloat>(bench.node(), FieldCode::speed, 0.0f));
    // The first destination's owner adds forty routes to the source while the
    // source is delivering: the route list is reallocated under the loop.
    reactor->reaction = [&](X3DField*) {
        for (auto& f : late) source.routes.append(f.get());
    };
    route(source, first);
    source.setValue(4.0f);
    ASSERT_EQ(source.routes.count, 41);
    for (auto& f : late) EXPECT_EQ(f->value, 4.0f);
    EXPECT_EQ(bench.journal.size(), 42u);  // source, first, then the forty
    EXPECT_EQ(bench.journal.back(), late.back().get());
}

TEST(FieldDelivery, CyclesEndAndRunFrameAfterFrame) {
    // A field routed to itself: every send tells its owner exactly once.
    Bench self;
    fSFFloat loop(self.node(), FieldCode::speed, 0.0f);
    route(loop, loop);
    for (int frame = 1; frame <= 10000; ++frame) loop.setValue(float(frame));
    EXPECT_EQ(loop.value, 10000.0f);
    EXPECT_EQ(self.journal.size(), 10000u);
    EXPECT_FALSE(loop.delivering);
    self.journal.clear();
    loop.propagate();  // the route back to itself is skipped
    EXPECT_TRUE(self.journal.empty());

    // A -> B -> C -> A: each round tells A, B, C once, in that order; the
    // route back into A (still delivering) is skipped.
    Bench ring;
    fSFVec3f a(ring.node(), FieldCode::position), b(ring.node(), FieldCode::position),
        c(ring.node(), FieldCode::position);
    route(a, b);
    route(b, c);
    route(c, a);
    for (int frame = 1; frame <= 10000; ++frame) a.setValue(Vec3f{float(frame), 0.0f, -float(frame)});
    EXPECT_EQ(ring.journal.size(), 30000u);
    EXPECT_EQ(Journal(ring.journal.end() - 3, ring.journal.end()), Journal({&a, &b, &c}));
    for (const fSFVec3f* f : {&a, &b, &c}) {
        EXPECT_EQ(f->value.x, 10000.0f);
        EXPECT_EQ(f->value.z, -10000.0f);
        EXPECT_FALSE(f->delivering);
    }
    // Entered in the middle, the ring still goes round once: C, then A.
    ring.journal.clear();
    b.value.y = 1.0f;
    b.propagate();
    EXPECT_EQ(ring.journal, Journal({&c, &a}));
    EXPECT_EQ(a.value.y, 1.0f);

    // A reaction that sets the delivering source again stores the value and
    // tells the owner, but does not start a second delivery.
    Bench echo;
    RecordingNode* echoOwner = echo.node();
    fSFFloat s(echo.node(), FieldCode::speed, 0.0f);
    fSFFloat t(echoOwner, FieldCode::speed, 0.0f);
    fSFFloat u(echo.node(), FieldCode::speed, 0.0f);
    route(s, t);
    route(s, u);
    echoOwner->reaction = [&](X3DField*) { s.setValue(s.value + 1.0f); };
    s.setValue(1.0f);
    EXPECT_EQ(echo.journal, Journal({&s, &t, &s, &u}));
    EXPECT_EQ(t.value, 1.0f);
    EXPECT_EQ(u.value, 2.0f);  // u is served after the reaction changed s
    EXPECT_FALSE(s.delivering);
}

TEST(FieldDelivery, VeryLongChainsStopAtTheDepthLimit) {
    // 100000 fields in a row would need far more stack than a frame has; the
    // value travels kMaxDeliveryDepth routes and the field reached last passes
    // nothing on.
    Journal journal;
    RecordingNode owner(&journal);
    std::vector<std::unique_ptr<fSFFloat>> chain;
    for (int i = 0; i < 100000; ++i) chain.push_back(std::make_unique<fSFFloat>(&owner, FieldCode::speed, 0.0f));
    for (size_t i = 0; i + 1 < chain.size(); ++i) route(*chain[i], *chain[i + 1]);
    for (float v : {1.0f, 2.0f}) {
        journal.clear();
        chain[0]->setValue(v);
        EXPECT_EQ(journal.size(), size_t(kMaxDeliveryDepth) + 1);
        EXPECT_EQ(chain[kMaxDeliveryDepth]->value, v);
        EXPECT_EQ(chain[kMaxDeliveryDepth + 1]->value, 0.0f);
        EXPECT_EQ(chain.back()->value, 0.0f);
    }
    // Entered further down, the value goes on from there.
    chain[kMaxDeliveryDepth]->propagate();
    EXPECT_EQ(chain[2 * kMaxDeliveryDepth]->value, 2.0f);
}

TEST(FieldDelivery, DestinationsOfAnotherClassAreSkipped) {
    // A float routed to a vector: the route exists, the vector keeps all three
    // components, nobody is told and the vector does not pass anything on.
    Bench bench;
    fSFFloat scalar(bench.node(), FieldCode::speed, 0.0f);
    fSFVec3f vector(bench.node(), FieldCode::translation, Vec3f{1.0f, 2.0f, 3.0f});
    fSFVec3f beyond(bench.node(), FieldCode::translation, Vec3f{4.0f, 5.0f, 6.0f});
    fSFFloat sameClass(bench.node(), FieldCode::speed, 0.0f);
    route(scalar, vector);
    route(vector, beyond);
    route(scalar, sameClass);
    scalar.setValue(99.0f);
    EXPECT_EQ(vector.value.x, 1.0f);
    EXPECT_EQ(vector.value.y, 2.0f);
    EXPECT_EQ(vector.value.z, 3.0f);
    EXPECT_EQ(beyond.value.x, 4.0f);
    EXPECT_EQ(sameClass.value, 99.0f);  // later routes of the source still run
    EXPECT_EQ(bench.journal, Journal({&scalar, &sameClass}));

    // A time routed to a float: the double does not spill over the float.
    Bench timed;
    fSFTime clock(timed.node(), FieldCode::time, 0.0);
    fSFFloat narrow(timed.node(), FieldCode::fraction_changed, 0.5f);
    fSFColor colour(timed.node(), FieldCode::color, Color4f{0.1f, 0.2f, 0.3f, 0.0f});
    route(clock, narrow);
    route(clock, colour);
    clock.setValue(1e300);
    EXPECT_EQ(narrow.value, 0.5f);
    EXPECT_EQ(colour.value.r, 0.1f);
    EXPECT_EQ(timed.journal, Journal({&clock}));

    // A point list routed to a single vector is not notified either.
    Bench points;
    fMFVec3f list(points.node(), FieldCode::point);
    fSFVec3f single(points.node(), FieldCode::translation);
    route(list, single);
    list.propagate();
    EXPECT_TRUE(points.journal.empty());
}

}  // namespace
