#include "model/ase.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <functional>
#include <new>
#include <string_view>

using asescan::Input;
using asescan::Word;

namespace {

enum Keyword {
    kOther,
    kGeomObject,
    kMaterialCount,
    kMaterial,
    kDiffuse,
    kBitmap,
    kMaterialName,
    kUTiling,
    kVTiling,
    kNumVertex,
    kNumFaces,
    kNumTVertex,
    kMaterialRef,
    kVertex,
    kTexVertex,
    kFace,
    kTexFace
};

// The keywords' words, by Keyword.
constexpr std::string_view kKeywords[] = {"",
                                          "*GEOMOBJECT",
                                          "*MATERIAL_COUNT",
                                          "*MATERIAL",
                                          "*MATERIAL_DIFFUSE",
                                          "*BITMAP",
                                          "*MATERIAL_NAME",
                                          "*UVW_U_TILING",
                                          "*UVW_V_TILING",
                                          "*MESH_NUMVERTEX",
                                          "*MESH_NUMFACES",
                                          "*MESH_NUMTVERTEX",
                                          "*MATERIAL_REF",
                                          "*MESH_VERTEX",
                                          "*MESH_TVERT",
                                          "*MESH_FACE",
                                          "*MESH_TFACE"};

constexpr std::size_t kShortest = 7;
constexpr std::size_t kLongest = 17;

template <typename T> T load(const char* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// Whether `length` bytes (at least 4) at `text` are those of `keyword`: a few overlapping loads
// instead of a call, as every line's first word comes through here.
bool spells(const char* text, const char* keyword, std::size_t length) {
    if (length < 8)
        return load<std::uint32_t>(text) == load<std::uint32_t>(keyword) &&
               load<std::uint32_t>(text + length - 4) == load<std::uint32_t>(keyword + length - 4);
    return load<std::uint64_t>(text) == load<std::uint64_t>(keyword) &&
           load<std::uint64_t>(text + length - 8) == load<std::uint64_t>(keyword + length - 8) &&
           (length <= 16 || load<std::uint64_t>(text + 8) == load<std::uint64_t>(keyword + 8));
}

// The keywords of each length.
struct ByLength {
    Keyword keywords[kLongest + 1][3] = {};
    constexpr ByLength() {
        for (int k = kGeomObject; k <= kTexFace; ++k)
            for (Keyword& slot : keywords[kKeywords[k].size()])
                if (slot == kOther) {
                    slot = static_cast<Keyword>(k);
                    break;
                }
    }
};
constexpr ByLength kByLength;

// Which keyword a word is, if any: a whole, case-sensitive match of what C code sees of it. Only
// the keywords of the word's length are compared.
Keyword classify(const char* text, std::size_t length) {
    if (length < kShortest || length > kLongest || text[0] != '*')
        return kOther;
    for (Keyword k : kByLength.keywords[length])
        if (k != kOther && spells(text, kKeywords[k].data(), length))
            return k;
    return kOther;
}

Keyword classify(const Word& w) {
    return classify(w.text, w.length);
}

// Whether the next word before `end` is a keyword; only a word that starts with '*' can be one.
bool keywordFollows(const char* p, const char* end) {
    Input rest = {p, end};
    asescan::skipSpace(rest);
    Word next;
    return rest.pos < end && *rest.pos == '*' && asescan::readWord(rest, next) &&
           classify(next) != kOther;
}

// Where the ranges of `keyword` start on one line, as a scan that reads the line from its first
// word finds them: past the keyword and the white space after it. Such a scan reads every line
// from its first word, whatever the lines before it held, so a line's starts are its own.
void rangeStarts(Input at, const char* lineEnd, Keyword keyword, const char* data,
                 std::vector<std::size_t>& starts) {
    for (asescan::skipSpace(at); at.pos < lineEnd; asescan::skipSpace(at)) {
        Word w;
        asescan::readWord(at, w);
        if (classify(w) != keyword) {
            asescan::skipLinePiece(at);
            continue;
        }
        Input after = at;
        asescan::skipSpace(after);
        starts.push_back(static_cast<std::size_t>(after.pos - data));
    }
}

bool isDataKeyword(Keyword k) {
    return k >= kMaterialRef;
}

// What a noted line holds: the keyword of its first word, whether a skip from just after any
// of its words reaches the line's end (plain), and whether the word after a first data keyword
// is no keyword, or the line has none (so a data pass of another keyword goes to the next line).
const unsigned kKeywordBits = 0x1f;
const unsigned kPlain = 0x20;
const unsigned kNoKeywordAfter = 0x40;
const int kCodeShift = 56;
const std::uint64_t kPlaceMask = (std::uint64_t(1) << kCodeShift) - 1;

Keyword keywordOf(unsigned code) {
    return static_cast<Keyword>(code & kKeywordBits);
}

// What a scan does on a word: skip the rest of the line, go on with the next word of the same
// line, read the keyword's values, or end. Each kind of scan has one table of these by keyword,
// and both what it does on a word and which noted lines it passes unread follow from that table.
enum Role : unsigned char { kSkip, kNext, kRead, kEnd };
using Roles = std::array<Role, kTexFace + 1>;

// `read` read, `end` ending the scan, `next` passed for the next word; every other word skips.
constexpr Roles rolesOf(std::initializer_list<Keyword> read,
                        std::initializer_list<Keyword> end = {},
                        std::initializer_list<Keyword> next = {}) {
    Roles roles{};
    for (Keyword k : next)
        roles[k] = kNext;
    for (Keyword k : end)
        roles[k] = kEnd;
    for (Keyword k : read)
        roles[k] = kRead;
    return roles;
}

// A data pass of `own`, or the material number pass: the other data keywords are passed word by
// word, so that the line's next word is still compared.
constexpr Roles dataRoles(Keyword own) {
    return rolesOf({own}, {kGeomObject}, {kMaterialRef, kVertex, kTexVertex, kFace, kTexFace});
}

// The codes of the noted lines that a scan of one kind passes without reading: plain lines whose
// first word it skips, or passes when no keyword follows that word. The sentinel at the file's
// end is no plain line.
struct Passes {
    explicit Passes(const Roles& roles) {
        for (unsigned code = 0; code < 256; ++code) {
            const Keyword k = keywordOf(code);
            const Role role = k <= kTexFace ? roles[k] : kEnd;
            line[code] =
                (code & kPlain) && (role == kSkip || (role == kNext && (code & kNoKeywordAfter)));
        }
    }
    bool line[256];
};

bool inRange(int index, int count) {
    return index >= 0 && index < count;
}

// The file gives the material number as a float, taken truncated toward zero; one that no int can
// hold names no material.
int materialNumber(float value) {
    if (!(value >= -2147483648.0f && value < 2147483648.0f))
        return -1;
    return static_cast<int>(value);
}

// Replaces an array with a new, zero-filled one of `count` entries. Without the memory for it the
// count becomes 0.
template <typename T> void replaceArray(T*& array, int& count) {
    delete[] array;
    array = new (std::nothrow) T[static_cast<std::size_t>(count)]();
    if (array == nullptr)
        count = 0;
}

// Merge nodes: one per scan (a material or an object), and one more each time scans meet; the
// meeting scans' nodes get the new node as parent. Parents come after their children.
struct Nodes {
    explicit Nodes(int scans) : parent(static_cast<std::size_t>(scans), -1) {}
    int merge(int a, int b) {
        const int node = static_cast<int>(parent.size());
        parent.push_back(-1);
        parent[a] = parent[b] = node;
        return node;
    }
    std::vector<int> parent;
};

// Writes of "last one wins" fields made by each node. A node's writes come after those of its
// members, so resolving from the last node down, each takes its parent's writes over its own.
template <typename Writes> struct LastWrites : Nodes {
    explicit LastWrites(int scans) : Nodes(scans), writes(static_cast<std::size_t>(scans)) {}
    int merge(int a, int b) {
        writes.emplace_back();
        return Nodes::merge(a, b);
    }
    void resolve() {
        for (std::size_t n = parent.size(); n-- > 0;)
            if (parent[n] >= 0)
                writes[n].takeOver(writes[static_cast<std::size_t>(parent[n])]);
    }
    std::vector<Writes> writes;
};

// The leading `read` of three values, each the last one written.
template <typename T> struct Values {
    int read = 0;
    T value[3];
    void set(const T* v, int count) {
        std::copy(v, v + count, value);
        read = std::max(read, count);
    }
    void takeOver(const Values& later) {
        std::copy(later.value, later.value + later.read, value);
        read = std::max(read, later.read);
    }
};

struct Quoted {
    bool has = false;
    Word value;
    void takeOver(const Quoted& later) {
        if (later.has)
            *this = later;
    }
    void copyTo(char* field) const {
        if (!has)
            return;
        // The word's last character is the closing quote.
        const std::size_t length =
            std::min<std::size_t>(value.length > 0 ? value.length - 1 : 0, 254);
        std::memcpy(field, value.text, length);
        field[length] = '\0';
    }
};

struct MaterialWrites {
    Values<float> diffuse;
    Values<float> uTile;
    Values<float> vTile;
    Quoted name;
    Quoted bitmap;
    void takeOver(const MaterialWrites& later) {
        diffuse.takeOver(later.diffuse);
        uTile.takeOver(later.uTile);
        vTile.takeOver(later.vTile);
        name.takeOver(later.name);
        bitmap.takeOver(later.bitmap);
    }
    void copyTo(tMaterialInfo& m) const {
        std::copy(diffuse.value, diffuse.value + diffuse.read, m.diffuse);
        if (uTile.read > 0)
            m.uTile = uTile.value[0];
        if (vTile.read > 0)
            m.vTile = vTile.value[0];
        name.copyTo(m.name);
        bitmap.copyTo(m.textureFile);
    }
};

// The three counts of an object: whether a count keyword was met (its array is made anew), and
// the last value that could be read after one.
struct CountWrites {
    bool seen[3] = {false, false, false};
    Values<int> count[3];
    void takeOver(const CountWrites& later) {
        for (int k = 0; k < 3; ++k) {
            seen[k] = seen[k] || later.seen[k];
            count[k].takeOver(later.count[k]);
        }
    }
};

// One data line's values as its pattern reads them: the index, then the leading `read` values.
struct Entry {
    int index = 0;
    int read = 0;
    float f[3];
    int k[3];
};

// "%d" then "%f %f %f" for a vertex, "%f %f" for a texture vertex (a third value is left to the
// line skip).
Entry readVertexLine(Input& in, int values) {
    Entry e;
    asescan::readInt(in, e.index);
    while (e.read < values && asescan::readFloat(in, e.f[e.read]))
        ++e.read;
    return e;
}

// "%d:" then "\tA:\t%d B:\t%d C:\t%d"; white space in the pattern takes spaces as well as tabs.
Entry readFaceLine(Input& in) {
    Entry e;
    if (asescan::readInt(in, e.index))
        asescan::literal(in, ':');
    static const char corners[] = {'A', 'B', 'C'};
    for (; e.read < 3; ++e.read) {
        asescan::skipSpace(in);
        if (!asescan::literal(in, corners[e.read]) || !asescan::literal(in, ':') ||
            !asescan::readInt(in, e.k[e.read]))
            break;
    }
    return e;
}

// "%d:" (the colon optional) then "%d %d %d".
Entry readTexFaceLine(Input& in) {
    Entry e;
    if (asescan::readInt(in, e.index))
        asescan::literal(in, ':');
    while (e.read < 3 && asescan::readInt(in, e.k[e.read]))
        ++e.read;
    return e;
}

Entry readLine(Keyword keyword, Input& in) {
    switch (keyword) {
    case kVertex:
        return readVertexLine(in, 3);
    case kTexVertex:
        return readVertexLine(in, 2);
    case kFace:
        return readFaceLine(in);
    default:
        return readTexFaceLine(in);
    }
}

// The size of the array a data keyword writes into.
int arraySize(const t3DObject& o, Keyword keyword) {
    switch (keyword) {
    case kVertex:
        return o.vertices != nullptr ? o.vertexCount : 0;
    case kTexVertex:
        return o.texVertices != nullptr ? o.texVertexCount : 0;
    default:
        return o.faces != nullptr ? o.faceCount : 0;
    }
}

// Stores a line's values in its entry of the object's array; the file's second and third vertex
// coordinates change places, the second negated, and texture coordinates are scaled by the tiling.
void store(t3DObject& o, Keyword keyword, const Entry& e, CVector2 tile) {
    if (!inRange(e.index, arraySize(o, keyword)))
        return;
    const int i = e.index;
    const int read = e.read;
    switch (keyword) {
    case kVertex:
        if (read > 0)
            o.vertices[i].x = e.f[0];
        if (read > 1)
            o.vertices[i].z = -e.f[1];
        if (read > 2)
            o.vertices[i].y = e.f[2];
        break;
    case kTexVertex:
        if (read > 0)
            o.texVertices[i].x = e.f[0] * tile.x;
        if (read > 1)
            o.texVertices[i].y = e.f[1] * tile.y;
        break;
    case kFace:
        std::copy(e.k, e.k + read, o.faces[i].vertexIndex);
        break;
    default:
        std::copy(e.k, e.k + read, o.faces[i].texCoordIndex);
        break;
    }
}

// Texture coordinates are scaled by the tiling of the object's material; without a material
// there is no tiling, and they are kept as the file gives them.
CVector2 tilingOf(const t3DModel* model, const t3DObject& o) {
    if (model != nullptr && inRange(o.materialId, model->materialCount) &&
        static_cast<std::size_t>(o.materialId) < model->materials.size())
        return {model->materials[o.materialId].uTile, model->materials[o.materialId].vTile};
    return {1.0f, 1.0f};
}

// Each kind of scan: its table of roles, and what it reads after a keyword it reads, answering
// whether it goes on with the next word (or ends).
struct MaterialCount {
    static constexpr Roles roles = rolesOf({kMaterialCount});
    int count = 0;
    int merge(int, int) { return 0; }
    bool read(int, Keyword, Input& in) {
        asescan::readInt(in, count);
        return false;
    }
};

struct MaterialScans : LastWrites<MaterialWrites> {
    static constexpr Roles roles =
        rolesOf({kDiffuse, kBitmap, kMaterialName, kUTiling, kVTiling}, {kMaterial});
    using LastWrites::LastWrites;
    bool read(int node, Keyword k, Input& in);
};

// A quoted value: a space, a double quote and "%s".
bool readQuotedValue(Input& in, Word& w) {
    asescan::skipSpace(in);
    return asescan::literal(in, '"') && asescan::readWord(in, w);
}

// A quoted value into a field; a value that cannot be read leaves the field as it was.
void readQuotedInto(Input& in, char* field) {
    Word value;
    if (readQuotedValue(in, value))
        Quoted{true, value}.copyTo(field);
}

bool MaterialScans::read(int node, Keyword k, Input& in) {
    MaterialWrites& w = writes[static_cast<std::size_t>(node)];
    float v[3];
    int values = 0;
    switch (k) {
    case kDiffuse:
        while (values < 3 && asescan::readFloat(in, v[values]))
            ++values;
        w.diffuse.set(v, values);
        return true;
    case kBitmap:
    case kMaterialName: {
        Quoted& q = k == kBitmap ? w.bitmap : w.name;
        Word value;
        if (readQuotedValue(in, value))
            q = {true, value};
        return true;
    }
    // The tilings: a value that cannot be read leaves the tiling as it was.
    default:
        if (asescan::readFloat(in, v[0]))
            (k == kUTiling ? w.uTile : w.vTile).set(v, 1);
        return true;
    }
}

struct CountScans : LastWrites<CountWrites> {
    static constexpr Roles roles = rolesOf({kNumVertex, kNumFaces, kNumTVertex}, {kGeomObject});
    using LastWrites::LastWrites;
    bool read(int node, Keyword k, Input& in) {
        CountWrites& w = writes[static_cast<std::size_t>(node)];
        const int which = k - kNumVertex;
        w.seen[which] = true;
        int value;
        if (asescan::readInt(in, value))
            w.count[which].set(&value, 1);
        return true;
    }
};

// An object's material number: a scan that reads one stops there, so only the last node of a
// chain can hold one.
struct RefScans : LastWrites<Values<int>> {
    static constexpr Roles roles = dataRoles(kMaterialRef);
    using LastWrites::LastWrites;
    bool read(int node, Keyword, Input& in) {
        float value = 0.0f;
        asescan::readFloat(in, value);
        const int id = materialNumber(value);
        writes[static_cast<std::size_t>(node)].set(&id, 1);
        return false;
    }
};

// One array per count keyword met, of the last count, within what is left of the budget.
void makeArrays(CountScans& scans, t3DObject* first, int count, std::size_t& entriesLeft) {
    scans.resolve();
    for (int i = 0; i < count; ++i) {
        const CountWrites& w = scans.writes[static_cast<std::size_t>(i)];
        t3DObject& o = first[i];
        int* counts[3] = {&o.vertexCount, &o.faceCount, &o.texVertexCount};
        for (int k = 0; k < 3; ++k) {
            if (!w.seen[k])
                continue;
            int& c = *counts[k];
            if (w.count[k].read > 0)
                c = w.count[k].value[0];
            c = static_cast<int>(
                std::min<std::size_t>(static_cast<std::size_t>(std::max(c, 0)), entriesLeft));
            entriesLeft -= static_cast<std::size_t>(c);
            if (k == 0)
                replaceArray(o.vertices, c);
            else if (k == 1)
                replaceArray(o.faces, c);
            else
                replaceArray(o.texVertices, c);
        }
    }
}

void setMaterialRefs(RefScans& scans, t3DObject* first, int count) {
    scans.resolve();
    for (int i = 0; i < count; ++i)
        if (scans.writes[static_cast<std::size_t>(i)].read > 0)
            first[i].materialId = scans.writes[static_cast<std::size_t>(i)].value[0];
}

// The data passes of one keyword over many objects. A scan of one object writes straight into its
// arrays; the scans that met keep their writes apart, to be given to each member at the end.
struct DataScans : Nodes {
    // Only the last write of each value of an entry counts, so the writes are folded to one per
    // entry whenever they reach twice the largest array of a member (or kFoldAt): scans that met
    // keep no more than their members' arrays could hold, however many lines they read.
    struct Merged {
        static constexpr std::size_t kFoldAt = 64;
        int size = 0; // the largest array of a member: writes beyond it reach nobody
        bool hasTexture = false;
        std::vector<Entry> writes;

        void add(const Entry& e) {
            writes.push_back(e);
            if (writes.size() >= std::max(2 * static_cast<std::size_t>(size), kFoldAt))
                fold();
        }
        // In place, in the order the entries were first written; each value is its last write.
        void fold() {
            std::vector<int> slot(static_cast<std::size_t>(size), -1);
            std::size_t kept = 0;
            for (std::size_t w = 0; w < writes.size(); ++w) {
                const Entry& e = writes[w];
                int& s = slot[static_cast<std::size_t>(e.index)];
                if (s < 0) {
                    s = static_cast<int>(kept);
                    writes[kept++] = e;
                    continue;
                }
                Entry& into = writes[static_cast<std::size_t>(s)];
                std::copy(e.f, e.f + e.read, into.f);
                std::copy(e.k, e.k + e.read, into.k);
                into.read = std::max(into.read, e.read);
            }
            writes.resize(kept);
        }
    };

    DataScans(Keyword own, t3DObject* objects, const std::vector<CVector2>& tiles)
        : Nodes(static_cast<int>(tiles.size())), roles(dataRoles(own)), own(own), objects(objects),
          tiles(&tiles) {}

    int scans() const { return static_cast<int>(tiles->size()); }
    int sizeOf(int node) const {
        return node < scans() ? arraySize(objects[node], own) : merged[node - scans()].size;
    }
    // Scans that meet write no more on their own: their writes shrink to what they keep.
    int merge(int a, int b) {
        for (int node : {a, b})
            if (node >= scans()) {
                Merged& done = merged[static_cast<std::size_t>(node - scans())];
                done.fold();
                done.writes.shrink_to_fit();
            }
        Merged m;
        m.size = std::max(sizeOf(a), sizeOf(b));
        merged.push_back(std::move(m));
        return Nodes::merge(a, b);
    }
    bool read(int node, Keyword, Input& in) {
        const Entry e = readLine(own, in);
        if (node < scans()) {
            if (own == kTexVertex)
                objects[node].hasTexture = true;
            store(objects[node], own, e, (*tiles)[static_cast<std::size_t>(node)]);
        } else {
            Merged& m = merged[static_cast<std::size_t>(node - scans())];
            m.hasTexture = own == kTexVertex;
            if (inRange(e.index, m.size))
                m.add(e);
        }
        return true;
    }
    void resolve();

    Roles roles;
    Keyword own;
    t3DObject* objects;
    const std::vector<CVector2>* tiles;
    std::vector<Merged> merged;
};

// Each member of met scans gets, per entry of its own array, the last write of the chain of nodes
// above it, over what it wrote itself. Going down from each last node, a node's writes fill only
// what the nodes above it left unwritten, and are taken back on the way up, so every write and
// every member's array is visited once.
void DataScans::resolve() {
    if (merged.empty())
        return;
    const int nodes = static_cast<int>(parent.size());
    std::vector<int> firstChild(static_cast<std::size_t>(nodes), -1);
    std::vector<int> nextSibling(static_cast<std::size_t>(nodes), -1);
    for (int n = 0; n < nodes; ++n)
        if (parent[n] >= 0) {
            nextSibling[n] = firstChild[parent[n]];
            firstChild[parent[n]] = n;
        }
    int largest = 0;
    for (const Merged& m : merged)
        largest = std::max(largest, m.size);
    std::vector<Entry> current(static_cast<std::size_t>(largest));
    struct Undo {
        int index;
        int read;
    };
    std::vector<Undo> undo;
    std::vector<std::size_t> marks;
    std::vector<bool> hasTexture(static_cast<std::size_t>(nodes), false);
    // An explicit stack: a node is entered when pushed and left when its children are done.
    std::vector<std::pair<int, int>> stack; // node, next child to visit
    for (int root = scans(); root < nodes; ++root) {
        if (parent[root] >= 0)
            continue;
        stack.push_back({root, -2});
        while (!stack.empty()) {
            auto& [node, child] = stack.back();
            if (child == -2) {
                const Merged& m = merged[static_cast<std::size_t>(node - scans())];
                hasTexture[node] = m.hasTexture || (parent[node] >= 0 && hasTexture[parent[node]]);
                marks.push_back(undo.size());
                for (auto w = m.writes.rbegin(); w != m.writes.rend(); ++w) {
                    Entry& slot = current[static_cast<std::size_t>(w->index)];
                    if (w->read <= slot.read)
                        continue;
                    undo.push_back({w->index, slot.read});
                    std::copy(w->f + slot.read, w->f + w->read, slot.f + slot.read);
                    std::copy(w->k + slot.read, w->k + w->read, slot.k + slot.read);
                    slot.read = w->read;
                }
                child = firstChild[node];
            }
            if (child == -1) {
                for (std::size_t u = undo.size(); u-- > marks.back();)
                    current[static_cast<std::size_t>(undo[u].index)].read = undo[u].read;
                undo.resize(marks.back());
                marks.pop_back();
                stack.pop_back();
                continue;
            }
            const int next = child;
            child = nextSibling[next];
            if (next >= scans()) {
                stack.push_back({next, -2});
                continue;
            }
            t3DObject& o = objects[next];
            if (hasTexture[node])
                o.hasTexture = true;
            const int size = std::min(arraySize(o, own), largest);
            for (int i = 0; i < size; ++i) {
                Entry e = current[static_cast<std::size_t>(i)];
                e.index = i;
                store(o, own, e, (*tiles)[static_cast<std::size_t>(next)]);
            }
        }
    }
}

} // namespace

bool ase::ImportASE(t3DModel* model, const char* path) {
    if (model == nullptr || path == nullptr)
        return false;
    file = std::fopen(path, "r");
    if (file != nullptr && !view.open(file)) {
        std::fclose(file);
        file = nullptr;
    }
    if (file == nullptr) {
        char message[255];
        std::snprintf(message, sizeof message, "Unable to find or open the file: %s", path);
        MessageBoxA(nullptr, message, "Error", MB_OK);
        return false;
    }
    data = view.data();
    size = view.size();
    in = {data, data + size};
    ReadAseFile(model);
    ComputeNormals(model);
    closeView();
    std::fclose(file);
    file = nullptr;
    return true;
}

void ase::closeView() {
    view.close();
    std::vector<std::uint64_t>().swap(lines);
    std::vector<std::size_t>().swap(objectStarts);
    std::vector<std::size_t>().swap(materialStarts);
    startsFound = false;
    data = nullptr;
    size = 0;
    in = {nullptr, nullptr};
}

// The containers only grow to the counts: entries appended behind the ones an import fills would
// never be read, and a model re-read on every full-screen toggle keeps one model's worth of memory.
void ase::ReadAseFile(t3DModel* model) {
    model->objectCount = GetObjectCount();
    const long declared = GetMaterialCount();
    model->materialCount = static_cast<int>(std::clamp<long>(
        declared, 0, static_cast<long>(materialStarts.size()) + kMaxEmptyMaterials));

    if (model->materials.size() < static_cast<std::size_t>(model->materialCount))
        model->materials.resize(static_cast<std::size_t>(model->materialCount));
    readMaterials(model->materials.data(), 1, model->materialCount);
    if (model->objects.size() < static_cast<std::size_t>(model->objectCount))
        model->objects.resize(static_cast<std::size_t>(model->objectCount));
    t3DObject* objects = model->objects.data();
    for (int i = 0; i < model->objectCount; ++i)
        objects[i].materialId = -1;
    // All objects' scans of one kind run together: the counts make the arrays, the material
    // numbers give the tiling, and the four data passes, which write apart, run side by side.
    readCountsAndMaterialRefs(objects, 1, model->objectCount);
    readData(model, objects, 1, model->objectCount, {kVertex, kTexVertex, kFace, kTexFace});
}

// One pass over the file notes every line that a scan could act on, or that is too long for a
// skip to pass in one piece: all other lines every scan passes over the same way. The note ends
// on the file's end, so that every line noted has a next one. The same pass finds where the
// objects' and materials' ranges start.
void ase::noteLines() {
    lines.clear();
    objectStarts.clear();
    materialStarts.clear();
    // Room for a noted line per 32 bytes, more than an export needs: the note is not copied.
    lines.reserve(size / 32 + 1);
    const char* const end = data + size;
    const char* released = data;
    Input at = {data, end};
    asescan::skipSpace(at);
    while (at.pos < end) {
        const std::uint64_t place = static_cast<std::uint64_t>(at.pos - data);
        Word w;
        asescan::readWord(at, w);
        const Keyword keyword = classify(w);
        const char* lineBreak = static_cast<const char*>(
            std::memchr(w.end, '\n', static_cast<std::size_t>(end - w.end)));
        const char* lineEnd = lineBreak != nullptr ? lineBreak : end;
        unsigned code = keyword;
        if (lineEnd - w.end <= (lineBreak != nullptr ? 98 : 99))
            code |= kPlain;
        if ((code & kPlain) && isDataKeyword(keyword) && !keywordFollows(w.end, lineEnd))
            code |= kNoKeywordAfter;
        if (keyword != kOther || !(code & kPlain))
            lines.push_back(place | static_cast<std::uint64_t>(code) << kCodeShift);
        if (keyword == kGeomObject || !(code & kPlain))
            rangeStarts({w.text, end}, lineEnd, kGeomObject, data, objectStarts);
        if (keyword == kMaterial || !(code & kPlain))
            rangeStarts({w.text, end}, lineEnd, kMaterial, data, materialStarts);
        at.pos = lineBreak != nullptr ? lineBreak + 1 : end;
        asescan::skipSpace(at);
        if (at.pos - released >= kReleaseStep) {
            view.release(released, at.pos);
            released = at.pos;
        }
    }
    lines.push_back(size);
}

// Whether a place is the first word of a line: only white space lies between it and a line
// break or the start of the file.
bool ase::isLineStart(const char* p) const {
    for (; p > data; --p) {
        if (p[-1] == '\n')
            return true;
        if (!asescan::isSpace(static_cast<unsigned char>(p[-1])))
            return false;
    }
    return true;
}

const char* ase::placeOf(std::size_t line) const {
    return data + (lines[line] & kPlaceMask);
}

// A cursor at a place where no white space lies.
ase::Cursor ase::cursorAt(const char* p, int node) const {
    const std::uint64_t place = static_cast<std::uint64_t>(p - data);
    const auto line = std::lower_bound(
        lines.begin(), lines.end(), place,
        [](std::uint64_t l, std::uint64_t value) { return (l & kPlaceMask) < value; });
    return {p, node, static_cast<std::size_t>(line - lines.begin())};
}

// One move of a scan: over the lines it passes, or one word read as the scan reads it. False when
// the scan has ended.
template <typename Kind> bool ase::step(Kind& kind, const bool* passes, Cursor& c) {
    const char* const end = data + size;
    if (c.pos == end)
        return false;
    const bool atLine = placeOf(c.line) == c.pos;
    if (atLine && passes[lines[c.line] >> kCodeShift]) {
        do
            ++c.line;
        while (passes[lines[c.line] >> kCodeShift]);
        c.pos = placeOf(c.line);
        return true;
    }
    const unsigned code = atLine ? static_cast<unsigned>(lines[c.line] >> kCodeShift) : 0;
    // A noted line's first word is known, unless a NUL byte right after it makes the word longer
    // than what C code sees of it.
    Input at = {c.pos, end};
    const std::size_t noted = kKeywords[keywordOf(code)].size();
    Keyword k;
    if (atLine && noted > 0 &&
        (static_cast<std::size_t>(end - c.pos) == noted ||
         asescan::isSpace(static_cast<unsigned char>(c.pos[noted])))) {
        k = keywordOf(code);
        at.pos += noted;
    } else {
        Word w;
        if (!asescan::readWord(at, w))
            return false;
        k = classify(w);
    }
    const char* const afterWord = at.pos;
    const Role role = kind.roles[k];
    if (role == kEnd || (role == kRead && !kind.read(c.node, k, at)))
        return false;
    if (role == kSkip) {
        at.pos = afterWord;
        asescan::skipLinePiece(at);
    }
    asescan::skipSpace(at);
    // On a plain line, a next word that cannot be a keyword makes every scan skip the rest of the
    // line, and the skip reaches the line's end: the scan goes on at the next noted line. So it
    // does when the values it read ran on into lines that were not noted.
    if (atLine && (code & kPlain) && at.pos < placeOf(c.line + 1) && *at.pos != '*') {
        c.pos = placeOf(++c.line);
        return true;
    }
    c.pos = at.pos;
    while (placeOf(c.line) < c.pos)
        ++c.line;
    // A line that was not noted is passed by every scan alike, up to the next noted one.
    if (c.pos != end && placeOf(c.line) != c.pos && isLineStart(c.pos))
        c.pos = placeOf(c.line);
    return true;
}

// Moves the scans of one kind, a heap with the scan furthest behind on top, in file order: the scan
// furthest behind moves until it passes the next one. Scans that stand at one place go on as one,
// through a merge node. Stops when every scan left stands at or past `until`; at the file's end
// every scan runs out.
template <typename Kind>
void ase::advance(Kind& kind, std::vector<Cursor>& heap, const char* until) {
    auto behind = [](const Cursor& a, const Cursor& b) { return a.pos > b.pos; };
    const Passes passes(kind.roles);
    const bool last = until == data + size;
    while (!heap.empty() && (last || heap.front().pos < until)) {
        std::pop_heap(heap.begin(), heap.end(), behind);
        Cursor c = heap.back();
        heap.pop_back();
        while (!heap.empty() && heap.front().pos == c.pos) {
            std::pop_heap(heap.begin(), heap.end(), behind);
            c.node = kind.merge(c.node, heap.back().node);
            heap.pop_back();
        }
        while (step(kind, passes.line, c)) {
            if ((!last && c.pos >= until) || (!heap.empty() && c.pos >= heap.front().pos)) {
                heap.push_back(c);
                std::push_heap(heap.begin(), heap.end(), behind);
                break;
            }
        }
    }
}

// A walk over scans of one kind, ready to move them up to a place; it answers whether any are left.
template <typename Kind> ase::Walk ase::walkOf(Kind& kind, std::vector<Cursor> cursors) {
    std::make_heap(cursors.begin(), cursors.end(),
                   [](const Cursor& a, const Cursor& b) { return a.pos > b.pos; });
    return [this, &kind, heap = std::move(cursors)](const char* until) mutable {
        advance(kind, heap, until);
        return !heap.empty();
    };
}

// Runs walks side by side through the file in steps of kReleaseStep bytes, handing back the pages
// behind each step once every walk has passed them: walks over the same lines read them while
// they are still at hand.
void ase::walk(std::vector<Walk> walks) {
    const char* const end = data + size;
    for (const char* from = data; !walks.empty();) {
        const char* until = end - from > kReleaseStep ? from + kReleaseStep : end;
        walks.erase(
            std::remove_if(walks.begin(), walks.end(), [until](Walk& w) { return !w(until); }),
            walks.end());
        view.release(from, until);
        from = until;
    }
}

template <typename Kind> void ase::walk(Kind& kind, std::vector<Cursor> cursors) {
    walk({walkOf(kind, std::move(cursors))});
}

// Cursors at the starts of the scans numbered firstNumber on; a number without a start gets none.
std::vector<ase::Cursor> ase::cursors(const std::vector<std::size_t>& starts, int firstNumber,
                                      int count) {
    if (!startsFound)
        findStarts();
    std::vector<Cursor> result;
    for (int i = 0; i < count; ++i) {
        const long number = static_cast<long>(firstNumber) + i;
        if (number >= 1 && static_cast<std::size_t>(number) <= starts.size())
            result.push_back(cursorAt(data + starts[static_cast<std::size_t>(number - 1)], i));
    }
    return result;
}

// The note of lines, where ranges start, and the budget of array entries.
void ase::findStarts() {
    noteLines();
    Input start = {data, data + size};
    asescan::skipSpace(start);
    firstWord = start.pos;
    entriesLeft = std::max(minEntries, size / kBytesPerEntry);
    startsFound = true;
}

int ase::GetObjectCount() {
    findStarts();
    return static_cast<int>(std::min<std::size_t>(objectStarts.size(), INT_MAX));
}

int ase::GetMaterialCount() {
    if (!startsFound)
        findStarts();
    MaterialCount scan;
    walk(scan, {cursorAt(firstWord, 0)});
    return scan.count;
}

void ase::GetTextureInfo(tMaterialInfo* material, int n) {
    readMaterials(material, n, 1);
}

void ase::readMaterials(tMaterialInfo* first, int firstNumber, int count) {
    MaterialScans scans(count);
    walk(scans, cursors(materialStarts, firstNumber, count));
    scans.resolve();
    for (int i = 0; i < count; ++i)
        scans.writes[static_cast<std::size_t>(i)].copyTo(first[i]);
}

void ase::MoveToObject(int n) {
    if (!startsFound)
        findStarts();
    if (n < 1 || static_cast<std::size_t>(n) > objectStarts.size())
        in = {data + size, data + size};
    else
        in = {data + objectStarts[static_cast<std::size_t>(n - 1)], data + size};
}

float ase::ReadFloat() {
    float value = 0.0f;
    asescan::readFloat(in, value);
    return value;
}

void ase::ReadObjectInfo(t3DObject* object, int n) {
    readCounts(object, n, 1);
}

void ase::readCounts(t3DObject* first, int firstNumber, int count) {
    CountScans scans(count);
    walk(scans, cursors(objectStarts, firstNumber, count));
    makeArrays(scans, first, count, entriesLeft);
}

// The counts and the material numbers of objects, side by side.
void ase::readCountsAndMaterialRefs(t3DObject* first, int firstNumber, int count) {
    CountScans counts(count);
    RefScans refs(count);
    walk({walkOf(counts, cursors(objectStarts, firstNumber, count)),
          walkOf(refs, cursors(objectStarts, firstNumber, count))});
    makeArrays(counts, first, count, entriesLeft);
    setMaterialRefs(refs, first, count);
}

void ase::GetTextureName(tMaterialInfo* material) {
    readQuotedInto(in, material->textureFile);
}

void ase::GetMaterialName(tMaterialInfo* material) {
    readQuotedInto(in, material->name);
}

void ase::ReadObjectData(t3DModel* model, t3DObject* object, int n) {
    readMaterialRefs(object, n, 1);
    readData(model, object, n, 1, {kVertex, kTexVertex, kFace, kTexFace});
}

void ase::GetData(t3DModel* model, t3DObject* object, const char* keyword, int n) {
    const Keyword k = keyword != nullptr ? classify(keyword, std::strlen(keyword)) : kOther;
    if (k == kMaterialRef)
        readMaterialRefs(object, n, 1);
    else if (isDataKeyword(k))
        readData(model, object, n, 1, {k});
}

void ase::readMaterialRefs(t3DObject* first, int firstNumber, int count) {
    RefScans scans(count);
    walk(scans, cursors(objectStarts, firstNumber, count));
    setMaterialRefs(scans, first, count);
}

// The data passes of each keyword over the objects, side by side: they write apart from each other.
void ase::readData(t3DModel* model, t3DObject* first, int firstNumber, int count,
                   std::initializer_list<int> keywords) {
    std::vector<CVector2> tiles(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        tiles[static_cast<std::size_t>(i)] = tilingOf(model, first[i]);
    std::vector<DataScans> scans;
    scans.reserve(keywords.size());
    std::vector<Walk> walks;
    for (int keyword : keywords) {
        scans.emplace_back(static_cast<Keyword>(keyword), first, tiles);
        walks.push_back(walkOf(scans.back(), cursors(objectStarts, firstNumber, count)));
    }
    walk(std::move(walks));
    for (DataScans& s : scans)
        s.resolve();
}

void ase::ReadVertex(t3DObject* object) {
    store(*object, kVertex, readLine(kVertex, in), {1.0f, 1.0f});
}

void ase::ReadTextureVertex(t3DObject* object, tMaterialInfo material) {
    object->hasTexture = true;
    store(*object, kTexVertex, readLine(kTexVertex, in), {material.uTile, material.vTile});
}

void ase::ReadFace(t3DObject* object) {
    store(*object, kFace, readLine(kFace, in), {1.0f, 1.0f});
}

void ase::ReadTextureFace(t3DObject* object) {
    store(*object, kTexFace, readLine(kTexFace, in), {1.0f, 1.0f});
}

// One pass over the faces per object. Each face's normal is added to its corners in face order,
// so every sum is the very one the vertex-by-face loop builds, bit for bit.
void ase::ComputeNormals(t3DModel* model) {
    if (model == nullptr || model->objectCount <= 0)
        return;
    const int objectCount =
        static_cast<int>(std::min<std::size_t>(model->objectCount, model->objects.size()));
    std::vector<int> shared;
    for (int i = 0; i < objectCount; ++i) {
        t3DObject& object = model->objects[i];
        const int vertexCount = std::max(object.vertexCount, 0);
        const CVector3* vertices = object.vertices;
        delete[] object.normals;
        object.normals = new (std::nothrow) CVector3[static_cast<std::size_t>(vertexCount)]();
        if (object.normals == nullptr) {
            object.vertexCount = 0;
            continue;
        }
        CVector3* sums = object.normals;
        shared.assign(static_cast<std::size_t>(vertexCount), 0);
        const int faceCount = object.faces != nullptr ? object.faceCount : 0;
        for (int f = 0; f < faceCount && vertices != nullptr; ++f) {
            const int* corner = object.faces[f].vertexIndex;
            if (!inRange(corner[0], vertexCount) || !inRange(corner[1], vertexCount) ||
                !inRange(corner[2], vertexCount))
                continue;
            const CVector3 p0 = vertices[corner[0]];
            const CVector3 p1 = vertices[corner[1]];
            const CVector3 p2 = vertices[corner[2]];
            const CVector3 normal = Cross(Vector(p0, p2), Vector(p2, p1));
            for (int c = 0; c < 3; ++c) {
                const int v = corner[c];
                if ((c > 0 && v == corner[0]) || (c > 1 && v == corner[1]))
                    continue;
                sums[v] = AddVector(sums[v], normal);
                ++shared[v];
            }
        }
        for (int v = 0; v < vertexCount; ++v)
            sums[v] = Normalize(DivideVectorByScaler(sums[v], -static_cast<float>(shared[v])));
    }
}
