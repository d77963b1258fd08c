// Deterministic reduced planes for the analysis tests: a small scene with
// known colours, its faded copy, and assorted awkward inputs.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace mirtane::testing {

struct Planes {
    std::string name;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<float> channel[3];

    std::size_t Size() const {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    }
};

class Lcg {
  public:
    explicit Lcg(std::uint32_t seed) : state(seed) {}
    // Uniform in [0, 1).
    float Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    }

  private:
    std::uint32_t state;
};

inline Planes MakePlanes(const std::string& name, std::int32_t width, std::int32_t height) {
    Planes planes;
    planes.name = name;
    planes.width = width;
    planes.height = height;
    for (auto& channel : planes.channel) {
        channel.assign(planes.Size(), 0.0f);
    }
    return planes;
}

// A shaded background with patches of known colours and a little texture:
// edges in every channel, every tone from shadow to highlight.
inline Planes Scene(std::int32_t width, std::int32_t height) {
    struct Patch {
        float x0, y0, x1, y1;
        float colour[3];
    };
    const Patch patches[] = {
        {0.08f, 0.10f, 0.30f, 0.40f, {0.85f, 0.15f, 0.12f}},  // red
        {0.36f, 0.12f, 0.58f, 0.42f, {0.15f, 0.70f, 0.20f}},  // green
        {0.64f, 0.08f, 0.90f, 0.38f, {0.12f, 0.22f, 0.80f}},  // blue
        {0.10f, 0.55f, 0.34f, 0.88f, {0.92f, 0.85f, 0.20f}},  // yellow
        {0.40f, 0.52f, 0.62f, 0.90f, {0.80f, 0.60f, 0.48f}},  // skin
        {0.68f, 0.50f, 0.92f, 0.86f, {0.05f, 0.05f, 0.06f}},  // near black
        {0.46f, 0.44f, 0.54f, 0.50f, {0.97f, 0.97f, 0.96f}},  // near white
    };
    Planes planes = MakePlanes("scene", width, height);
    Lcg noise(7u);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const float u = static_cast<float>(x) / static_cast<float>(width);
            const float v = static_cast<float>(y) / static_cast<float>(height);
            float colour[3] = {0.35f + 0.3f * u, 0.45f + 0.2f * v, 0.55f + 0.25f * (1.0f - u)};
            for (const Patch& patch : patches) {
                if (u >= patch.x0 && u < patch.x1 && v >= patch.y0 && v < patch.y1) {
                    const float shade = 0.8f + 0.2f * std::sin(6.0f * u + 4.0f * v);
                    for (int c = 0; c < 3; ++c) {
                        colour[c] = patch.colour[c] * shade;
                    }
                }
            }
            const float grain = 0.03f * (noise.Next() - 0.5f);
            const std::size_t k = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                  static_cast<std::size_t>(x);
            for (int c = 0; c < 3; ++c) {
                planes.channel[c][k] = std::clamp(colour[c] + grain, 0.0f, 1.0f);
            }
        }
    }
    return planes;
}

// The scene as an old print shows it: contrast lowered, black lifted, a warm
// cast (red up, blue down).
inline Planes Faded(const Planes& scene) {
    Planes faded = scene;
    faded.name = scene.name + " faded";
    const float cast[3] = {0.08f, 0.02f, -0.05f};
    for (int c = 0; c < 3; ++c) {
        for (float& sample : faded.channel[c]) {
            sample = std::clamp(0.28f + 0.5f * sample + cast[c], 0.0f, 1.0f);
        }
    }
    return faded;
}

// Inputs of every awkward kind the analysis may meet.
inline std::vector<Planes> AwkwardPlanes() {
    std::vector<Planes> all;
    const auto fill = [&](const std::string& name, std::int32_t width, std::int32_t height,
                          std::uint32_t seed, auto level) {
        Planes planes = MakePlanes(name, width, height);
        Lcg random(seed);
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                const std::size_t k =
                    static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x);
                for (int c = 0; c < 3; ++c) {
                    planes.channel[c][k] = std::clamp(level(x, y, c, random), 0.0f, 1.0f);
                }
            }
        }
        all.push_back(std::move(planes));
    };
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        fill("random " + std::to_string(seed), 37 + 11 * static_cast<std::int32_t>(seed),
             29 + 7 * static_cast<std::int32_t>(seed), seed,
             [](std::int32_t, std::int32_t, int, Lcg& random) { return random.Next(); });
    }
    fill("smooth", 80, 60, 5, [](std::int32_t x, std::int32_t y, int c, Lcg&) {
        return 0.5f + 0.45f * std::sin(0.07f * static_cast<float>(x) * static_cast<float>(c + 1) +
                                       0.05f * static_cast<float>(y));
    });
    fill("dark", 64, 48, 6, [](std::int32_t x, std::int32_t y, int c, Lcg& random) {
        return 0.06f * random.Next() + 0.01f * static_cast<float>((x + y + c) % 3);
    });
    fill("bright", 64, 48, 7, [](std::int32_t x, std::int32_t, int c, Lcg& random) {
        return 0.93f + 0.07f * random.Next() * static_cast<float>((x + c) % 2);
    });
    fill("single colour", 50, 40, 8, [](std::int32_t, std::int32_t, int c, Lcg&) {
        return 0.3f + 0.2f * static_cast<float>(c);
    });
    fill("grey ramp", 60, 40, 9,
         [](std::int32_t x, std::int32_t, int, Lcg&) { return static_cast<float>(x) / 59.0f; });
    fill("binary", 40, 40, 10, [](std::int32_t, std::int32_t, int, Lcg& random) {
        return random.Next() < 0.5f ? 0.0f : 1.0f;
    });
    fill("half and half", 40, 30, 11, [](std::int32_t x, std::int32_t, int c, Lcg&) {
        return x < 20 ? 0.0f : (c == 1 ? 0.7f : 1.0f);
    });
    fill("red absent", 48, 36, 12, [](std::int32_t, std::int32_t, int c, Lcg& random) {
        return c == 0 ? 0.0f : random.Next();
    });
    fill("blue saturated", 48, 36, 13, [](std::int32_t, std::int32_t, int c, Lcg& random) {
        return c == 2 ? 1.0f : random.Next();
    });
    fill("speck", 40, 40, 14, [](std::int32_t x, std::int32_t y, int c, Lcg&) {
        return x == 20 && y == 20 && c == 1 ? 1.0f : 0.0f;
    });
    fill("border only", 40, 40, 15, [](std::int32_t x, std::int32_t, int, Lcg& random) {
        return x < 3 ? random.Next() : 0.5f;
    });
    fill("one row", 50, 1, 16,
         [](std::int32_t, std::int32_t, int, Lcg& random) { return random.Next(); });
    fill("one pixel", 1, 1, 17,
         [](std::int32_t, std::int32_t, int c, Lcg&) { return 0.2f * static_cast<float>(c); });
    fill("two by three", 2, 3, 18,
         [](std::int32_t, std::int32_t, int, Lcg& random) { return random.Next(); });
    fill("four square", 4, 4, 19,
         [](std::int32_t, std::int32_t, int, Lcg& random) { return random.Next(); });
    fill("five square", 5, 5, 20,
         [](std::int32_t, std::int32_t, int, Lcg& random) { return random.Next(); });
    fill("tall", 6, 90, 21, [](std::int32_t, std::int32_t y, int c, Lcg& random) {
        return 0.01f * static_cast<float>(y) + 0.05f * random.Next() * static_cast<float>(c);
    });
    return all;
}

}  // namespace mirtane::testing
