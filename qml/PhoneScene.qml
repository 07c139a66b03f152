import QtQuick 2.5
import QtQuick.Scene3D 2.0
import Qt3D.Core 2.0
import Qt3D.Render 2.11
import Qt3D.Extras 2.0

// The phone on a floor, seen from the front and a little above; shown through
// OnDemandScene, which draws it while something in it changes. World Y is up
// and the viewer looks along -Z, so the pose matrix of the sensors' math
// applies as it is.
Scene3D {
    id: root

    // Rotation and shift of the phone, scene units are metres.
    property matrix4x4 pose
    // Empty for the built-in box.
    property url meshSource
    property url textureSource
    property color backgroundColor: "white"

    readonly property bool meshShown: meshSource != "" && phoneMesh.status !== Mesh.Error
    // The mesh and its texture have loaded, or the box is shown.
    readonly property bool ready: !meshShown
                                  || (phoneMesh.status === Mesh.Ready
                                      && (textureSource == "" || texture.status === Texture.Ready
                                          || texture.status === Texture.Error))

    aspects: ["render"]
    multisample: false

    Entity {
        components: [
            RenderSettings {
                renderPolicy: RenderSettings.OnDemand
                activeFrameGraph: ForwardRenderer {
                    camera: camera
                    clearColor: root.backgroundColor
                }
            }
        ]

        Camera {
            id: camera

            projectionType: CameraLens.PerspectiveProjection
            fieldOfView: 40
            aspectRatio: root.width / Math.max(1, root.height)
            nearPlane: 0.05
            farPlane: 5
            position: Qt.vector3d(0, 0.17, 0.44)
            viewCenter: Qt.vector3d(0, -0.03, 0)
            upVector: Qt.vector3d(0, 1, 0)
        }

        Entity {
            components: [
                DirectionalLight {
                    worldDirection: Qt.vector3d(-0.3, -1, -0.6)
                    intensity: 0.8
                }
            ]
        }

        Entity {
            components: [
                DirectionalLight {
                    worldDirection: Qt.vector3d(0.4, -0.2, -1)
                    intensity: 0.5
                }
            ]
        }

        // Under the lowest the phone can go, so that "up" is plain.
        Entity {
            components: [
                PlaneMesh {
                    width: 0.6
                    height: 0.6
                },
                PhongMaterial {
                    ambient: "#6f747a"
                    diffuse: "#8d939a"
                    specular: "black"
                },
                Transform {
                    translation: Qt.vector3d(0, -0.21, 0)
                }
            ]
        }

        Entity {
            components: [
                Transform {
                    matrix: root.pose
                }
            ]

            Entity {
                enabled: root.meshShown
                components: [
                    Mesh {
                        id: phoneMesh

                        source: root.meshSource
                    },
                    DiffuseMapMaterial {
                        ambient: "#606060"
                        specular: "#303030"
                        shininess: 40
                        diffuse: TextureLoader {
                            id: texture

                            source: root.textureSource
                        }
                    },
                    // The mesh is in centimetres.
                    Transform {
                        scale: 0.01
                    }
                ]
            }

            // The built-in phone: a body and, on its front, a screen.
            Entity {
                enabled: !root.meshShown
                components: [
                    CuboidMesh {
                        xExtent: 0.07
                        yExtent: 0.146
                        zExtent: 0.008
                    },
                    PhongMaterial {
                        ambient: "#303336"
                        diffuse: "#3c4043"
                        specular: "#505050"
                    }
                ]

                Entity {
                    components: [
                        CuboidMesh {
                            xExtent: 0.062
                            yExtent: 0.128
                            zExtent: 0.001
                        },
                        PhongMaterial {
                            ambient: "#0d3a80"
                            diffuse: "#1a73e8"
                            specular: "#ffffff"
                        },
                        Transform {
                            translation: Qt.vector3d(0, 0, 0.0041)
                        }
                    ]
                }
            }
        }
    }
}
