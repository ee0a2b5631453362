#include "bmp_writer.h"
#include "jpeg_writer.h"
#include "models.h"

namespace {

constexpr int JpegQuality = 92;

bool addModel(std::vector<MediaFile>& files, const std::string& name, const A3fModel& model,
              std::string& error) {
    std::string text;
    if (!writeA3f(model, text, error)) {
        error = name + ": " + error;
        return false;
    }
    files.push_back({name, std::vector<std::uint8_t>(text.begin(), text.end())});
    return true;
}

bool addJpeg(std::vector<MediaFile>& files, const std::string& name, const RgbImage& image,
             std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!encodeJpeg(image, JpegQuality, bytes, error)) {
        error = name + ": " + error;
        return false;
    }
    files.push_back({name, std::move(bytes)});
    return true;
}

}  // namespace

bool makeModelMedia(std::vector<MediaFile>& files, std::string& error) {
    files.clear();
    if (!addModel(files, "chest.a3f", makeChestModel(), error)) return false;
    files.push_back({ChestTextureFile, encodeBmp(makeChestTexture())});
    if (!addModel(files, "rock.a3f", makeRockModel(), error)) return false;
    if (!addJpeg(files, RockTextureFile, makeRockModelTexture(), error)) return false;
    if (!addModel(files, "detector.a3f", makeDetectorModel(), error)) return false;
    files.push_back({DetectorTextureFile, encodeTarga(makeDetectorTexture(), TargaCompression::None)});
    if (!addModel(files, "dial.a3f", makeDialModel(), error)) return false;
    files.push_back({DialTextureFile, encodeTarga(makeDialTexture(), TargaCompression::RunLength)});
    if (!addModel(files, "transporter.a3f", makeTransporterModel(), error)) return false;
    files.push_back({TransporterTextureFile, encodeBmp(makeTransporterTexture())});
    if (!addModel(files, "bbox.a3f", makeBodyBoxModel(), error)) return false;
    if (!addModel(files, "monster.a3f", makeMonsterModel(), error)) return false;
    return addJpeg(files, MonsterTextureFile, makeMonsterTexture(), error);
}
