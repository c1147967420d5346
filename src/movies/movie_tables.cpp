#include "movies/movie_tables.h"

namespace movie_tables {

const char* const kAwardNames[kAwardCount] = {
    "Best Picture", "Best Director", "Leading Actor", "Leading Actress", "Supporting Actor",
    "Supporting Actress", "Animated Feature", "Art Direction", "Cinematography", "Costume Design",
    "Documentary-Feature", "Film Editing", "Foreign Language Film", "Makeup", "Music-Score",
    "Music-Song", "Screenplay-Adapted", "Screenplay-Original", "Sound", "Sound Editing",
    "Visual Effects"};
const char* const kAwardKeys[kAwardCount] = {
    "best picture", "best director", "leading actor", "leading actress", "supporting actor",
    "supporting actress", "animated feature", "art direction", "cinematography", "costume design",
    "documentary-feature", "film editing", "foreign language film", "makeup", "music-score",
    "music-song", "screenplay-adapted", "screenplay-original", "sound", "sound editing",
    "visual effects"};
const char* const kAwardAltKeys[kAwardCount] = {
    "oscar best picture", "oscar best director", "oscar best actor", "oscar best actress",
    "oscar best actor-supporting", "oscar best actress-supporting", "oscar best animated feature",
    "oscar best art direction", "oscar best cinematography", "oscar best costume design",
    "oscar best documentary-feature", "oscar best film editing", "oscar best foreign language film",
    "oscar best makeup", "oscar best music score", "oscar best music song",
    "oscar best screenplay-adapted", "oscar best screenplay-original", "oscar best sound",
    "oscar best sound editing", "oscar best visual effects"};

const char* const kStarRatingDisplay[kStarRatingCount] = {
    "NR", "BOMB", "* 1/2", "**", "** 1/2", "***", "*** 1/2", "****"};
const char* const kStarRatingKeys[kStarRatingCount] = {
    "NR", "BOMB", "*1/2", "**", "**1/2", "***", "***1/2", "****"};
const char* const kStarRatingNumericKeys[kStarRatingCount] = {
    "NR", "0", "1.5", "2", "2.5", "3", "3.5", "4"};

const char* const kMpaaRatingNames[kMpaaRatingCount] = {"[NR]", "[G]", "[PG]", "[PG-13]", "[R]", "[NC-17]"};
const char* const kMpaaRatingAltKeys[kMpaaRatingCount] = {"", "", "[M]", "", "", "[X]"};

const char* const kGenreNames[kGenreCount] = {
    "Action", "Adventure", "Animation", "Comedy", "Crime", "Documentary", "Drama", "Fantasy",
    "Family", "Horror", "Musical", "Mystery/Thriller", "Romance", "Sci-Fi", "War", "Western"};
const char* const kGenreKeys[kGenreCount] = {
    "action", "adventure", "animation", "comedy", "crime", "documentary", "drama", "fantasy",
    "family", "horror", "musical", "mystery", "romance", "sci-fi", "war", "western"};
const char* const kGenreAltKeys[kGenreCount] = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, "thriller", nullptr, "science fiction", nullptr, nullptr};

const char* const kFilmProcessNames[kFilmProcessCount] = {
    "", "Actionscope", "Agascope", "Arriscope", "ArriVision", "Cinepanormique", "CinemaScope",
    "CinemaScope 55", "Cinerama", "Cinescope", "Clairmont-Scope", "Colorscope", "Cromoscope",
    "Daieiscope", "Digital Widescreen", "Dimension 150", "Dimensionscope", "Duo-Vision",
    "Dyaliscope", "Euroscope", "Franscope", "Grandeur", "Grandscope", "Hammerscope",
    "HD 24P Widescreen", "J-D-C Scope", "Megascope", "Metroscope", "MGM Camera 65",
    "Multi(ple)-Screen", "Natural Vision", "Naturama", "Nikkatsu Scope", "Panascope", "Panavision",
    "Panavision Super 70", "Panoramic(a)", "Part Widescreen", "Realife", "Regalscope", "RKO-Scope",
    "Scanoscope", "Shawscope", "Sovscope/Sovscope 70", "Space-Vision", "Spectrascope",
    "StereoScope", "Superama", "SuperCinescope", "Superpanorama 70", "Super Panavision 70",
    "SuperScope", "SuperScope 235", "Super Technirama 70", "Super Techniscope", "Super 35",
    "SuperTotalscope", "System 35", "Technirama", "Techniscope", "Technovision", "Todd-AO",
    "Todd-AO 35", "Toeiscope", "Tohoscope", "Totalscope", "Totalvision", "2.35 Research PLC",
    "Ultra Panavision 70", "Ultrascope", "Univision", "Vistarama", "Vistascope", "VistaVision",
    "Vistascope", "WarnerScope", "Warwickscope", "Widescreen"};

const char* const kLoanStatusNames[kLoanStatusCount] = {
    "None", "Reserved", "Loaned", "Borrowed", "Rented", "Returned"};
const char* const kLoanStatusAltKeys[kLoanStatusCount] = {"", "Reserve", "Loan", "Borrow", "Rent", "Return"};

const char* const kScreenEncodingNames[kScreenEncodingCount] = {
    "None", "Full Frame", "Pan/Scan", "Letterbox", "Anamorphic"};
const char* const kScreenEncodingAltKeys[kScreenEncodingCount] = {"None", "FullFrame", "Pan&Scan", "LB", "Anam"};

const char* const kMediaTypeNames[kMediaTypeCount] = {
    "DVD", "DVR", "VCD", "SVCD", "LD", "SVHS", "VHS", "DivX", "Other"};

}  // namespace movie_tables

namespace {

const char* Row(const char* const* names, int32_t count, int32_t index) {
  return (index < 0 || index >= count) ? names[0] : names[index];
}

}  // namespace

using namespace movie_tables;

int32_t AwardCount() { return kAwardCount; }
const char* AwardName(int32_t i) { return Row(kAwardNames, kAwardCount, i); }
int32_t StarRatingCount() { return kStarRatingCount; }
const char* StarRatingName(int32_t i) { return Row(kStarRatingDisplay, kStarRatingCount, i); }
int32_t MpaaRatingCount() { return kMpaaRatingCount; }
const char* MpaaRatingName(int32_t i) { return Row(kMpaaRatingNames, kMpaaRatingCount, i); }
int32_t GenreCount() { return kGenreCount; }
const char* GenreName(int32_t i) { return Row(kGenreNames, kGenreCount, i); }
int32_t FilmProcessCount() { return kFilmProcessCount; }
const char* FilmProcessName(int32_t i) { return Row(kFilmProcessNames, kFilmProcessCount, i); }
int32_t LoanStatusCount() { return kLoanStatusCount; }
const char* LoanStatusName(int32_t i) { return Row(kLoanStatusNames, kLoanStatusCount, i); }
int32_t ScreenEncodingCount() { return kScreenEncodingCount; }
const char* ScreenEncodingName(int32_t i) { return Row(kScreenEncodingNames, kScreenEncodingCount, i); }
int32_t MediaTypeCount() { return kMediaTypeCount; }
const char* MediaTypeName(int32_t i) { return Row(kMediaTypeNames, kMediaTypeCount, i); }
