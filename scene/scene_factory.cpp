// One scene object per type code.

#include "scene/scene_composition.h"
#include "scene/scene_motion.h"
#include "scene/scene_source.h"
#include "scene/scene_transition.h"

std::unique_ptr<CScene> create_scene(uint32_t type) {
    switch (type) {
        case SCENE_IMAGE:
            return std::make_unique<CSceneImage>();
        case SCENE_TEXT:
            return std::make_unique<CSceneText>();
        case SCENE_DRAW:
            return std::make_unique<CSceneDraw>();
        case SCENE_MOVIE:
            return std::make_unique<CSceneMovie>();
        case SCENE_STILL:
            return std::make_unique<CSceneStill>();
        case SCENE_ROTATE:
            return std::make_unique<CSceneRotate>();
        case SCENE_ACTION:
        case SCENE_ZOOM:
        case SCENE_SLIDE:
        case SCENE_FOCUS:
            return std::make_unique<CSceneAction>(type);
        case SCENE_FILM:
            return std::make_unique<CSceneFilm>();
        case SCENE_FADE:
            return std::make_unique<CSceneFade>();
        case SCENE_CROSSFADE:
            return std::make_unique<CSceneCrossfade>();
        case SCENE_EXPAND:
            return std::make_unique<CSceneExpand>();
        case SCENE_MOSAIC:
            return std::make_unique<CSceneMosaic>();
        case SCENE_SHAKE:
            return std::make_unique<CSceneShake>();
        case SCENE_MIX:
            return std::make_unique<CSceneMix>();
        case SCENE_SERIES:
        case SCENE_MAIN:
            return std::make_unique<CSceneSeries>(type);
        case SCENE_CUT:
            return std::make_unique<CSceneCut>();
        case SCENE_ALPHA:
            return std::make_unique<CSceneAlpha>();
        case SCENE_SHADE:
            return std::make_unique<CSceneShade>();
        default:
            return nullptr;
    }
}
