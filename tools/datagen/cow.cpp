#include "datagen/cow.h"

#include <algorithm>
#include <cmath>

#include "datagen/shapes.h"

namespace datagen {
namespace {

using shape::capsule;
using shape::ellipse;
using shape::rounded_box;

// The picture is shown tinted and blended over moving scenes, so it keeps to
// three strong values: white, black, and one mid pink.
const Color kWhite{0.99, 0.99, 0.98};
const Color kBlack{0.06, 0.06, 0.07};
const Color kPink{0.98, 0.62, 0.70};
const Color kDeepPink{0.85, 0.38, 0.48};
const Color kHorn{0.96, 0.90, 0.72};
const Color kHoof{0.25, 0.22, 0.22};
constexpr double kLine = 3.5;

double body(Point p) { return rounded_box(p, {146, 126}, 72, 42, 34); }
double head(Point p) { return ellipse(p, {64, 98}, 36, 38); }

double patches(Point p)
{
    return std::min({ellipse(p, {120, 104}, 24, 19, 0.3), ellipse(p, {176, 142}, 27, 19, -0.2),
                     ellipse(p, {200, 100}, 16, 14, 0.5), ellipse(p, {146, 160}, 13, 9, 0.0),
                     ellipse(p, {96, 148}, 12, 10, 0.4)});
}

void leg(FloatImage& img, double x, double top, double bottom)
{
    shape::draw(
        img,
        [&](Point p) {
            return rounded_box(p, {x, (top + bottom) / 2}, 10, (bottom - top) / 2, 5);
        },
        kWhite, kLine);
    // Hoof: the lowest part of the leg, dark.
    shape::draw_clipped(
        img,
        [&](Point p) {
            return rounded_box(p, {x, bottom - 5}, 10, 6, 4);
        },
        [&](Point p) {
            return rounded_box(p, {x, (top + bottom) / 2}, 10, (bottom - top) / 2, 5);
        },
        kHoof);
}

void tail(FloatImage& img)
{
    auto sdf = [](Point p) {
        return std::min({capsule(p, {214, 112}, {228, 124}, 3, 3), capsule(p, {228, 124}, {234, 146}, 3, 3),
                         capsule(p, {234, 146}, {232, 166}, 3, 2.5)});
    };
    shape::draw(img, sdf, kWhite, kLine - 1.0);
    shape::draw(
        img,
        [](Point p) {
            return ellipse(p, {232, 174}, 7, 11, 0.1);
        },
        kBlack, kLine);
}

void horn(FloatImage& img, Point base, Point tip)
{
    shape::draw(
        img, [&](Point p) { return capsule(p, base, tip, 7, 2.5); }, kHorn, kLine);
}

void ear(FloatImage& img, Point c, double angle)
{
    shape::draw(
        img, [&](Point p) { return ellipse(p, c, 17, 8, angle); }, kWhite, kLine);
    shape::draw(
        img, [&](Point p) { return ellipse(p, c, 10, 4, angle); }, kPink, 0.0);
}

void eye(FloatImage& img, Point c)
{
    shape::draw(
        img, [&](Point p) { return ellipse(p, c, 7.5, 8.5); }, kWhite, 2.5);
    shape::draw(
        img,
        [&](Point p) {
            return ellipse(p, {c.x + 1.5, c.y + 1.5}, 4.2, 4.8);
        },
        kBlack, 0.0);
    shape::draw(
        img,
        [&](Point p) {
            return ellipse(p, {c.x + 2.8, c.y - 0.2}, 1.4, 1.4);
        },
        kWhite, 0.0);
}

}  // namespace

Rgb8Image make_cow()
{
    FloatImage img(kCowSize, kCowSize, Color{1.0, 1.0, 1.0});

    // Far side first: tail and the two back legs sit behind the body.
    tail(img);
    leg(img, 118, 150, 214);
    leg(img, 196, 150, 212);
    // Udder, hanging under the belly between the hind legs.
    for (double x : {144.0, 152.0, 160.0})
        shape::draw(
            img,
            [x](Point p) {
                return capsule(p, {x, 176}, {x, 188}, 2.5, 2.5);
            },
            kPink, 2.0);
    shape::draw(
        img,
        [](Point p) {
            return ellipse(p, {152, 170}, 18, 13);
        },
        kPink, kLine);
    leg(img, 98, 152, 222);
    leg(img, 178, 152, 220);

    shape::draw(img, body, kWhite, kLine);
    shape::draw_clipped(img, patches, body, kBlack);

    // Head: horns and ears behind it, then face, eye patch, eyes and muzzle.
    horn(img, {44, 70}, {30, 46});
    horn(img, {84, 70}, {98, 46});
    ear(img, {24, 84}, -0.35);
    ear(img, {104, 84}, 0.35);
    shape::draw(img, head, kWhite, kLine);
    shape::draw_clipped(
        img,
        [](Point p) {
            return ellipse(p, {80, 82}, 15, 17, 0.4);
        },
        head, kBlack);
    // A tuft between the horns.
    shape::draw(
        img,
        [](Point p) {
            return ellipse(p, {64, 62}, 10, 6);
        },
        kBlack, 0.0);
    eye(img, {51, 92});
    eye(img, {78, 92});
    shape::draw(
        img,
        [](Point p) {
            return ellipse(p, {64, 126}, 31, 19);
        },
        kPink, kLine);
    shape::draw(
        img,
        [](Point p) {
            return ellipse(p, {53, 124}, 4.5, 6, 0.2);
        },
        kDeepPink, 1.5);
    shape::draw(
        img,
        [](Point p) {
            return ellipse(p, {75, 124}, 4.5, 6, -0.2);
        },
        kDeepPink, 1.5);
    // A small smile under the nostrils.
    shape::draw_clipped(
        img,
        [](Point p) {
            return std::fabs(ellipse(p, {64, 130}, 10, 7)) - 1.2;
        },
        [](Point p) { return 134.0 - p.y; }, kBlack);
    return img.to_rgb8();
}

}  // namespace datagen
