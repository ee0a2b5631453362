#include "game/media_loading.h"

#include "app/media_path.h"
#include "app/settings.h"
#include "app/shell.h"
#include "audio/midi_player.h"
#include "audio/sound_mixer.h"
#include "audio/wav_loader.h"
#include "cave/level_build.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/monsters.h"
#include "game/player.h"
#include "model/skinned_model.h"

#include <GL/gl.h>

TextureId CaveTexture = 0;
StaticModel ChestModels[ChestModelCount];
StaticModel RockModels[RockModelCount];
StaticModel DetectorModel;
StaticModel DialModel;
StaticModel TransporterModel;
StaticModel PlayerBody;
Matrix4 DetectorMount;

int ThrowSound = -1, DetectorSound = -1, KnockoutSound = -1, CoinsSound = -1;
int StepSounds[4] = {-1, -1, -1, -1};
int MonsterSounds[4] = {-1, -1, -1, -1};
int ScrunchSounds[4] = {-1, -1, -1, -1};

namespace {

// The lamp: a point light at the eye, fading as 1 / (0.25 x distance).
void SetUpLamp() {
    LightRecord& lamp = LightTable[0];
    if (lamp.enabled <= 0) return;
    lamp.position[3] = 1.0f;
    glLightfv(GL_LIGHT0, GL_POSITION, lamp.position);
    glLighti(GL_LIGHT0, GL_SPOT_CUTOFF, 180);
    glLightf(GL_LIGHT0, GL_LINEAR_ATTENUATION, 0.25f);
    glLighti(GL_LIGHT0, GL_CONSTANT_ATTENUATION, 0);
}

void LoadStaticModels() {
    compileStaticModel("dial.a3f", DialModel);
    compileStaticModel("detector.a3f", DetectorModel);
    // Half a unit below and 0.9 in front of the eye, facing back at the player.
    makeEulerMatrix({0.0f, 3.14159f, 0.0f}, {0.0f, -0.5f, 0.9f}, DetectorMount);
    compileStaticModel("transporter.a3f", TransporterModel);
    compileStaticModel("chest.a3f", ChestModels[0]);
    for (int i = 1; i < ChestModelCount; ++i) copyStaticModel(ChestModels[i], ChestModels[0]);
    compileStaticModel("rock.a3f", RockModels[0]);
    for (int i = 1; i < RockModelCount; ++i) copyStaticModel(RockModels[i], RockModels[0]);
}

// The file is read once; every other monster shares its mesh and keyframes
// and poses a skeleton of its own.
void LoadMonsters() {
    loadSkinnedModel(Monsters[0], "monster.a3f");
    Monsters[0].skinNormals = Settings.Lights != 0;
    for (int i = 1; i < MaxMonsters; ++i) copySkinnedModel(Monsters[i], Monsters[0]);
    for (Monster& monster : Monsters) {
        if (monster.animationCount == 0) continue;
        monster.currentAnimation = 0;
        monster.animationFinished = false;
        monster.animations[0].loop = false;
        monster.animations[0].time = 0.0f;
    }
    const SkinnedModel& model = Monsters[0];
    AnimStanding = findAnimation(model, "standing");
    AnimWalking = findAnimation(model, "walking");
    AnimDuckwalk = findAnimation(model, "duckwalk");
    AnimSidestep = findAnimation(model, "sidestep");
    AnimDead = findAnimation(model, "dead");
    AnimAttack = findAnimation(model, "attack");
}

// Another slot playing `source`'s sound from `offset` samples in, so that a
// copy can play while the first does and repeats do not start alike.
int DeriveSoundSlot(int source, int offset) {
    SoundMixer& m = Mixer;
    const int s = m.sampleCount.load();
    if (source < 0 || source >= s || s >= SoundSlotCapacity) return -1;
    const SoundSample& from = m.slots[source];
    if (!from.data || from.count - offset <= MixHistory) return -1;
    SoundSample& slot = m.slots[s];
    slot.data = from.data + offset;
    slot.count = from.count - offset;
    slot.shared = true;
    slot.playing = false;
    slot.position = 0;
    m.sampleCount.store(s + 1, std::memory_order_release);
    return s;
}

void LoadSounds() {
    ThrowSound = LoadSoundSample("throw.wav");
    DetectorSound = LoadSoundSample("detector.wav");
    KnockoutSound = LoadSoundSample("knockout.wav");
    CoinsSound = LoadSoundSample("coins.wav");
    StepSounds[0] = LoadSoundSample("step.wav");
    MonsterSounds[0] = LoadSoundSample("monster.wav");
    ScrunchSounds[0] = LoadSoundSample("scrunch1.wav");
    ScrunchSounds[1] = LoadSoundSample("scrunch4.wav");
    ScrunchSounds[2] = DeriveSoundSlot(ScrunchSounds[0], 11);
    ScrunchSounds[3] = DeriveSoundSlot(ScrunchSounds[1], 11);
    for (int j = 1; j < 4; ++j) {
        StepSounds[j] = DeriveSoundSlot(StepSounds[0], 11 * j);
        MonsterSounds[j] = DeriveSoundSlot(MonsterSounds[0], 11 * j);
    }
    Mixer.range = 160.0f;
    Mixer.listener = &PlayerPos;
    Mixer.facing = &ViewDir;
    if (!Mixer.open.load()) OpenSoundMixer();
}

}  // namespace

bool LoadGameMedia() {
    LevelCount = FindLevelFiles();
    CaveTexture = LoadTexture("Cliffs1.jpg", AlphaNone, 0.0f);
    SetUpLamp();
    LoadStaticModels();
    LoadMonsters();

    if (!BuildLevel()) return false;

    compileStaticModel("bbox.a3f", PlayerBody);
    PlayerPos.y = EyeHeight;
    CoinCount = 3;
    LoadSounds();
    CreateHudPanel();
    GameState = Playing;
    UpdateHud();
    if (Settings.Music == 0) StopSong();
    ResetFrameClock();
    return true;
}
