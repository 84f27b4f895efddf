// Movie operations on top of the AVI file: append a picture (creating the movie), cut a movie,
// automovie after a received picture, and the picture arithmetic around them (resolution
// divisor, scaling to a frame, merging two pictures).
//
// Threading: GUI thread (automovie at the end of a picture, the received-pictures window).
#pragma once

#include "fax/avi_file.h"
#include "storage/di8_bitmap.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tellur::fax {

// Point sampling by the divisor: (width div d) × (height div d), pixel (x, y) = source (d·x, d·y).
// d <= 1 gives a copy.
storage::TDI8Bitmap reduceResolution(const storage::TDI8Bitmap& picture, int divisor);

// Point sampling to a frame size: row Trunc(y × source height / frame height), column likewise.
storage::TDI8Bitmap scaleToFrame(const storage::TDI8Bitmap& picture, int frameWidth, int frameHeight);

// Appends the picture (reduced by the divisor) as a key frame; creates the movie at the given rate
// when it cannot be opened. A picture whose size differs from the movie's frames is point-sampled
// to the frame size, so every frame stays decodable.
bool appendPictureToMovie(const storage::TDI8Bitmap& picture, const std::filesystem::path& file, int rate, int divisor);

// Keeps frames first..last except `skip` (−1: none), renumbered from 0. The movie is moved to
// file + ".$$$.avi" while the new one is written; if that fails the original comes back.
bool cutMovie(const std::filesystem::path& file, int first, int last, int skip);

// The movie named by a picture format code: movies folder / trimmed code + ".avi".
std::filesystem::path automovieFileForFormat(const std::filesystem::path& moviesFolder, std::string_view formatCode);
// The movie of a scheduler event: the event's folder (the movies folder when it has none or when
// alwaysInMoviesFolder), its name up to the first "." plus ".avi".
std::filesystem::path automovieFileForSchedule(const std::filesystem::path& moviesFolder,
    const std::filesystem::path& eventMovieFile, bool alwaysInMoviesFolder);

// Appends with the configured rate and divisor; an existing movie with at least maxFrames frames
// is first cut to its last maxFrames − 1. False (nothing appended) when an existing movie's
// description cannot be read.
bool automovieAppend(const storage::TDI8Bitmap& picture, const std::filesystem::path& file, int rate, int divisor,
    int maxFrames);

// File names compared as the movie window does (upper case).
bool sameMovieFile(const std::filesystem::path& a, const std::filesystem::path& b);

enum class MergeSide { Right, Bottom, Left, Top };

// A new picture with the target's colour table: the loaded picture beside or below/above it.
storage::TDI8Bitmap mergePictures(const storage::TDI8Bitmap& target, const storage::TDI8Bitmap& loaded, MergeSide side);

// "Merged picture" + the last four characters of the old name.
std::string mergedPictureName(std::string_view oldName);

} // namespace tellur::fax
