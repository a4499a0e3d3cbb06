#include "engine/overlays/watermark.h"

#include "engine/overlays/canvas.h"
#include "engine/overlays/watermark_picture.h"
#include "engine/overlays/watermark_placement.h"
#include "engine/overlays/watermark_text.h"

#include <memory>
#include <mutex>
#include <optional>
#include <utility>

// The renderer ties the parts together: the text layout and the picture
// decoding give a Source, the placement renders it rotated, cut and placed.
namespace dravik {

using namespace watermark_parts;

struct WatermarkRenderer::Impl {
    const Settings& settings;
    const WatermarkFont* font;

    std::string laidOutText;
    std::unique_ptr<Source> text;
    bool pictureOpened = false;
    std::unique_ptr<Source> picture;

    // The finished overlay of the last file, reused while nothing it
    // depends on changes. Files are marked on several threads: the lock
    // guards what is kept, and each file holds on to the overlay it
    // composites while another file may replace it here.
    struct Finished {
        std::string text;
        int width = 0, height = 0;
        Bitmap overlay; // null: the watermark was left out
        int x = 0, y = 0;
    };
    std::mutex mutex;
    std::shared_ptr<const Finished> last;

    Impl(const Settings& s, const WatermarkFont* f) : settings(s), font(f) {}
    Source* source(const AppState& state, std::string* key);
    std::shared_ptr<const Finished> finish(Source& source, std::string text, int width,
                                           int height) const;
};

std::shared_ptr<const WatermarkRenderer::Impl::Finished>
WatermarkRenderer::Impl::finish(Source& source, std::string text, int width, int height) const {
    auto done = std::make_shared<Finished>();
    const Settings::Watermark& wm = settings.watermark;
    const Anchor anchor = wm.doWatermark == 1 ? TextAnchor(wm) : PictureAnchor(wm);
    const std::optional<Rotation> rotation = RotationFor(anchor.rotation);
    int64_t rw = source.width(), rh = source.height();
    if (rotation)
        RotatedSize(*rotation, source.width(), source.height(), &rw, &rh);
    if (const std::optional<Placement> place = Place(rw, rh, width, height, settings, anchor)) {
        done->overlay = AsPasted(RenderOverlay(source, rotation, rw, rh, place->w, place->h));
        done->x = static_cast<int>(place->x);
        done->y = static_cast<int>(place->y);
    }
    done->text = std::move(text);
    done->width = width;
    done->height = height;
    return done;
}

Source* WatermarkRenderer::Impl::source(const AppState& state, std::string* key) {
    const Settings::Watermark& wm = settings.watermark;
    if (wm.doWatermark == 1) {
        if (font == nullptr)
            return nullptr;
        *key = ExpandWatermarkText(settings, state);
        if (!text || *key != laidOutText) {
            text = LayOutText(*key, *font, wm);
            laidOutText = *key;
        }
        return text.get();
    }
    if (!pictureOpened) {
        picture = OpenPicture(wm);
        pictureOpened = true;
    }
    return picture.get();
}

WatermarkRenderer::WatermarkRenderer(const Settings& settings, const WatermarkFont* font)
    : impl_(std::make_unique<Impl>(settings, font)) {}

WatermarkRenderer::~WatermarkRenderer() = default;

Bitmap WatermarkRenderer::draw(Bitmap in, int width, int height, const AppState& state) {
    const Settings::Watermark& wm = impl_->settings.watermark;
    if (wm.doWatermark == 0 || !in)
        return in;
    bool ok = false;
    Bitmap picture = ToPicture24(std::move(in), &ok);
    if (!ok || (wm.doWatermark != 1 && wm.doWatermark != 2) || width <= 0 || height <= 0)
        return picture;

    std::shared_ptr<const Impl::Finished> finished;
    {
        std::lock_guard lock(impl_->mutex);
        std::string key;
        Source* source = impl_->source(state, &key);
        if (source == nullptr || source->width() <= 0 || source->height() <= 0)
            return picture;
        const std::shared_ptr<const Impl::Finished>& last = impl_->last;
        if (!last || last->text != key || last->width != width || last->height != height)
            impl_->last = impl_->finish(*source, std::move(key), width, height);
        finished = impl_->last;
    }
    if (finished->overlay)
        CompositeOver(picture, finished->overlay, finished->x, finished->y);
    return picture;
}

Bitmap DrawWatermark(Bitmap in, int width, int height, const Settings& settings,
                     const AppState& state, const WatermarkFont* font) {
    WatermarkRenderer renderer(settings, font);
    return renderer.draw(std::move(in), width, height, state);
}

} // namespace dravik
