/* gtk_embed.c - the live preview inside an application's own GTK window.
 *
 * The drawing area's native X11 window is wrapped as an RzWindow and given to
 * Rezive_SetPreviewWindow as the parent: the library's preview window becomes its child, and the
 * example keeps it the area's size with the preview window's own native id.
 * Build needs GTK 3; it runs on X11 (on a Wayland desktop through XWayland: GDK_BACKEND=x11).
 * Usage: gtk_embed [seconds]   (default: until the window is closed) */
#include <ReziveSdk.h>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>

struct App {
    RzHandle camera;
    RzWindow parent;
    GtkWidget* label;
    GdkWindow* preview; /* the library's preview window, to follow the area's size */
};

static void OnRealize(GtkWidget* area, gpointer data) {
    struct App* app = (struct App*)data;
    GdkWindow* window = gtk_widget_get_window(area);
    RzWindow preview;
    uint64_t id = 0;
    /* A window of its own on the server, not one drawn inside the toplevel by GDK; and there
     * already, since the library talks to the server on a connection of its own. */
    gdk_window_ensure_native(window);
    gdk_display_sync(gtk_widget_get_display(area));
    app->parent = RzWrapNativeWindow((uint64_t)gdk_x11_window_get_xid(window));
    app->camera = Rezive_Initialize(app->parent);
    if (app->camera == 0) {
        gtk_label_set_text(GTK_LABEL(app->label), "no camera");
        return;
    }
    Rezive_SetPreviewWindow(app->camera, app->parent, 0, 0, gtk_widget_get_allocated_width(area),
                            gtk_widget_get_allocated_height(area));
    if (Rezive_Preview(app->camera) != 1) {
        gtk_label_set_text(GTK_LABEL(app->label), "the preview did not start");
        return;
    }
    gtk_label_set_text(GTK_LABEL(app->label), "live preview: the library draws into the area below");
    preview = RzGetPreviewWindow(app->camera);
    if (preview != 0 && RzGetNativeWindow(preview, &id) == 1) {
        app->preview = gdk_x11_window_foreign_new_for_display(gtk_widget_get_display(area), (Window)id);
    }
}

static void OnSizeAllocate(GtkWidget* area, GdkRectangle* size, gpointer data) {
    struct App* app = (struct App*)data;
    (void)area;
    /* The library redraws at the new size (nearest-neighbour scaling) once the server says so. */
    if (app->preview != NULL) gdk_window_resize(app->preview, size->width, size->height);
}

static gboolean Quit(gpointer window) {
    gtk_widget_destroy(GTK_WIDGET(window));
    return G_SOURCE_REMOVE;
}

int main(int argc, char** argv) {
    struct App app = {0, 0, NULL, NULL};
    GtkWidget *window, *box, *area;
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(&argc, &argv)) {
        fprintf(stderr, "gtk_embed: no X11 display\n");
        return 1;
    }
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "ReziveSdk in a GTK window");
    box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    app.label = gtk_label_new("starting");
    area = gtk_drawing_area_new();
    gtk_widget_set_size_request(area, 640, 360);
    gtk_widget_set_vexpand(area, TRUE);
    gtk_box_pack_start(GTK_BOX(box), app.label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), area, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(window), box);
    g_signal_connect(area, "realize", G_CALLBACK(OnRealize), &app);
    g_signal_connect(area, "size-allocate", G_CALLBACK(OnSizeAllocate), &app);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    if (argc > 1) g_timeout_add(atoi(argv[1]) * 1000, Quit, window);
    gtk_widget_show_all(window);
    gtk_main();
    if (app.camera != 0) {
        Rezive_Close(app.camera);
        Rezive_Release(app.camera);
    }
    if (app.preview != NULL) g_object_unref(app.preview);
    RzDestroyWindow(app.parent);
    printf("gtk_embed: done\n");
    return 0;
}
