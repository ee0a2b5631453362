#pragma once
// The cache of OpenGL textures made from the media pictures. It owns every
// texture and deletes them all when the window is torn down.

using TextureId = unsigned int;  // an OpenGL texture name; 0 means no texture

// Empties the table of loaded textures and chooses the internal formats.
void ResetTextureCache(bool highQuality);

// Deletes every loaded texture and empties the table. Needs the GL context.
void DeleteAllTextures();
