// The Files panel on a volume the size of a CD's worth of small files: hfsutils makes an HFS
// volume of 50 folders of 100 documents each (empty forks) and one application whose bundle
// gives them their Finder icon; printed are the time of VolumeTree::read (the worker's part:
// locating, reading the catalog, resolving and drawing every Finder icon) and of showing the
// tree in a QTreeView with every folder expanded (the main thread's part), best of 5.
//
//   volume_tree_bench

#include "bench_timer.h"
#include "resource_fork_writer.h"
#include "sample_image.h"

#include "sources/file_byte_source.h"
#include "ui/volume_tree.h"
#include "ui/volume_tree_model.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

std::vector<std::uint8_t> iconResource(const char* design)
{
    const pq::sample::IconCanvas canvas = pq::sample::drawIcon(design, 32, 1);
    auto bytes = canvas.pixelPlane(1);
    const auto mask = canvas.maskPlane(1);
    bytes.insert(bytes.end(), mask.begin(), mask.end());
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const auto appFork = pq::sample::writeResourceFork(
        {pq::sample::bundleResource(128, "PQPT", {{0, 128}, {1, 129}}, {{0, 128}, {1, 129}}),
         pq::sample::fileReferenceResource(128, "APPL", 0), pq::sample::fileReferenceResource(129, "PQDC", 1),
         {"ICN#", 128, "", iconResource("bell")}, {"ICN#", 129, "", iconResource("document")}, {"PQPT", 0, "", {0}}});
    std::ofstream(folder + "/app.rsrc", std::ios::binary).write(reinterpret_cast<const char*>(appFork.bytes.data()), std::streamsize(appFork.bytes.size()));
    std::ofstream list(folder + "/catalog.list", std::ios::binary);
    list << ":\tPainter\tAPPL\tPQPT\t8192\t/dev/null\t" << folder << "/app.rsrc\n";
    for (int f = 0; f < 50; ++f)
        for (int d = 0; d < 100; ++d)
            list << ":Folder " << f << ":\tPicture " << d << "\tPQDC\tPQPT\t0\t/dev/null\t/dev/null\n";
    list.close();
    if (std::system((std::string(PQ_MAKE_VOLUMES) + " " + folder + " > /dev/null").c_str()) != 0) {
        std::fprintf(stderr, "hfsutils could not make the volume\n");
        return 1;
    }
    auto image = pq::FileByteSource::open(folder + "/catalog.hfs");
    if (!image)
        return 1;
    std::shared_ptr<const pq::ByteSource> bytes = std::move(*image);
    pq::VolumeTree tree;
    const double read = pq::bench::bestMillisecondsPerCall([&] { tree = pq::VolumeTree::read(bytes); }, 1, 5);
    std::size_t files = 0, withIcon = 0;
    for (const auto& node : tree.nodes()) {
        files += node.kind == pq::VolumeTree::Node::Kind::File;
        withIcon += node.kind == pq::VolumeTree::Node::Kind::File && !node.smallIcon.isNull();
    }
    pq::VolumeTreeModel model;
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setModel(&model);
    view.resize(600, 800);
    view.show();
    const double show = pq::bench::bestMillisecondsPerCall([&] {
        model.setTree(pq::VolumeTree(tree));
        view.expandAll();
        view.repaint();
    }, 1, 5);
    std::printf("VolumeTree::read of %zu files (%zu with a Finder icon): %.1f ms (in a worker)\n", files, withIcon, read);
    std::printf("showing and expanding the tree: %.1f ms (main thread)\n", show);
    return 0;
}
